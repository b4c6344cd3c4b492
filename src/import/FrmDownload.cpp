// SPDX-License-Identifier: MIT
#include "import/FrmDownload.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <thread>

namespace {

struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

FrmDownload::FrmDownload(QWidget* owner, const QString& address) : QDialog(owner) {
    setWindowTitle(QCoreApplication::applicationName());
    setWindowModality(Qt::WindowModal);
    LblAddress = new QLabel("Downloading " + address);
    LblAddress->setTextFormat(Qt::PlainText);
    auto* bar = new QProgressBar;
    bar->setRange(0, 0);
    CmdCancel = new QPushButton("Cancel");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LblAddress);
    layout->addWidget(bar);
    layout->addWidget(CmdCancel, 0, Qt::AlignRight);
    connect(CmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool FrmDownload::Run(const MdlInternet::Download& download) {
    const BusyCursor busy;
    QEventLoop loop;
    std::atomic<bool> done = false;
    bool result = false;
    connect(this, &QDialog::rejected, &loop, [this] { m_Cancelled = true; });
    std::jthread worker([&](std::stop_token stop) {
        result = download(stop);
        done = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // Until the dialog shows, no click may start another command.
    QTimer::singleShot(kShowAfterMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!done) {
        connect(this, &QDialog::rejected, &loop, [&worker] { worker.request_stop(); });
        show();
        loop.exec();
        hide();
    }
    worker.join();
    return result && !m_Cancelled;
}
