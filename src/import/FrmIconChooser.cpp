// SPDX-License-Identifier: MIT
#include "import/FrmIconChooser.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdlib>

#include "image/c32bppDIB.h"
#include "import/IconGroup.h"
#include "platform/desktop/Desktop.h"
#include "platform/desktop/QtBitmapBridge.h"
#include "platform/gdi/Gdi.h"
#include "platform/pe/PeModule.h"

namespace {

constexpr int kThumbnail = 32;

// The entry closest to the thumbnail size, decoded by our own icon decoder.
QImage Thumbnail(const IconGroup& icons) {
    int best = 0;
    for (int i = 1; i < icons.Count(); ++i) {
        auto size = [&](int e) {
            return icons.EntryAt(e).Width() == 0 ? 256 : icons.EntryAt(e).Width();
        };
        if (std::abs(size(i) - kThumbnail) < std::abs(size(best) - kThumbnail)) {
            best = i;
        }
    }
    c32bppDIB image;
    const std::vector<std::uint8_t> file = icons.SingleIconFile(best);
    const gdi::Bitmap* pixels =
        image.LoadPicture_Stream(file, kThumbnail, kThumbnail, 0, 0, false, 32)
            ? gdi::BitmapFromHandle(image.Handle())
            : nullptr;
    if (pixels == nullptr) {
        return {};
    }
    return desktop::QtBitmapBridge::ToQImage(*pixels, desktop::QtBitmapBridge::Alpha::Premultiplied)
        .scaled(kThumbnail, kThumbnail, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

bool IsIconFile(const QString& path) {
    return path.right(3).toLower() == "ico";
}

}  // namespace

FrmIconChooser::FrmIconChooser(desktop::Desktop& desktop, QWidget* parent, const QString& startPath)
    : QDialog(parent), m_Desktop(desktop) {
    setWindowTitle("Choose an icon");
    TxtPath = new QLineEdit;
    TxtPath->setReadOnly(true);
    auto* browse = new QPushButton("Browse...");
    connect(browse, &QPushButton::clicked, this, &FrmIconChooser::Browse);
    LstGroups = new QListWidget;
    LstGroups->setViewMode(QListView::IconMode);
    LstGroups->setIconSize(QSize(kThumbnail, kThumbnail));
    LstGroups->setGridSize(QSize(kThumbnail + 24, kThumbnail + 28));
    LstGroups->setResizeMode(QListView::Adjust);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (LstGroups->currentRow() >= 0) {
            accept();
        }
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(LstGroups, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* top = new QHBoxLayout;
    top->addWidget(TxtPath, 1);
    top->addWidget(browse);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(LstGroups, 1);
    layout->addWidget(buttons);
    resize(420, 320);
    if (!startPath.isEmpty()) {
        SetPath(startPath);
    }
}

std::optional<FrmIconChooser::Choice> FrmIconChooser::Ask(desktop::Desktop& desktop,
                                                          QWidget* parent,
                                                          const QString& startPath) {
    FrmIconChooser chooser(desktop, parent, startPath);
    if (chooser.exec() != QDialog::Accepted || chooser.LstGroups->currentRow() < 0) {
        return std::nullopt;
    }
    return Choice{chooser.TxtPath->text(), chooser.LstGroups->currentRow()};
}

void FrmIconChooser::SetPath(const QString& path) {
    TxtPath->setText(path);
    LstGroups->clear();
    IconGroup icons;
    const std::string file = path.toStdString();
    if (IsIconFile(path)) {
        if (icons.LoadIconFromFile(file)) {
            LstGroups->addItem(new QListWidgetItem(QPixmap::fromImage(Thumbnail(icons)), "1"));
        }
    } else if (const auto module = pe::PeModule::LoadAsData(file)) {
        const auto groups = module->EnumResourceNames(pe::PeModule::RT_GROUP_ICON);
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const bool loaded = icons.LoadIconFromGroup(*module, groups[i]);
            LstGroups->addItem(
                new QListWidgetItem(QPixmap::fromImage(loaded ? Thumbnail(icons) : QImage()),
                                    QString::fromStdString(groups[i].Listed())));
        }
    }
    if (LstGroups->count() > 0) {
        LstGroups->setCurrentRow(0);
    }
}

void FrmIconChooser::Browse() {
    const QStringList chosen = m_Desktop.OpenFileDialog(
        this,
        {{{"Icons and modules", "*.ico;*.exe;*.dll;*.bpl;*.src;*.cpl;*.ocx"}}, false, "", ""});
    if (!chosen.isEmpty()) {
        SetPath(chosen.front());
    }
}
