// SPDX-License-Identifier: MIT
#include "cli/StripCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <thread>

#include "app/CellExport.h"
#include "app/PreparedCell.h"
#include "app/ReplacingFileWriter.h"
#include "app/SyncBatch.h"
#include "cli/CliApplication.h"
#include "cli/CliOptions.h"
#include "cli/FailureReason.h"
#include "cli/OrderedWorkPool.h"
#include "cli/TerminalText.h"
#include "platform/gdi/ImageList.h"

namespace {

using CellPool = OrderedWorkPool<std::unique_ptr<PreparedCell>>;

std::string TemporaryFolder() {
    std::error_code ignored;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ignored);
    return (folder.empty() ? std::string("/tmp") : folder.string()) + "/";
}

// The writer's message spans two lines; one is enough here.
std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

}  // namespace

StripCommand::StripCommand(const CliOptions& options, std::ostream& out, std::ostream& err)
    : m_Options(options), m_Out(out), m_Err(err), m_Input(TemporaryFolder()) {
    const StripDocument::AlphaAnswer answer{!options.alphaPreserve,
                                            options.alphaColor.value_or(options.backColor)};
    m_AskAlpha = [answer](const c32bppDIB&) { return answer; };
}

int StripCommand::Build() {
    int status = CliApplication::kOk;
    for (const CellSize& size : m_Options.cellSizes) {
        status = std::max(status, BuildAtSize(size));
    }
    return m_Options.manifest.empty() ? status : std::max(status, WriteManifest());
}

int StripCommand::BuildAtSize(const CellSize& size) {
    m_Skipped = 0;
    if (!m_Document.NewStrip(size.width, size.height, m_Options.depth.value_or(32),
                             m_Options.backColor)) {
        m_Err << "tilewright-cli: cannot make a strip of that cell size\n";
        return CliApplication::kInputFailed;
    }
    const std::string output = OutputName(size);
    StripManifest::Strip strip{output,
                               size.width,
                               size.height,
                               StripDocument::IsPngName(output) ? 32 : m_Options.depth.value_or(32),
                               {}};
    const std::vector<std::string>& sources = m_Options.files;
    const CellFormat format = m_Document.Format();
    ProgressBar progress = Progress(static_cast<int>(sources.size()));
    CellPool::Run(
        sources.size(), Workers(), [&](std::size_t i) { return Prepare(format, sources[i]); },
        [&](std::size_t i, std::unique_ptr<PreparedCell>& cell) {
            const std::string skipped = AddCell(sources[i], *cell, -1);
            strip.cells.push_back(
                {sources[i], skipped.empty() ? m_Document.CellCount() - 1 : -1, skipped});
            progress.Show(static_cast<int>(i) + 1);
            return true;
        });
    const int status = Save(output);
    if (status == CliApplication::kOk) {
        m_Manifest.Add(std::move(strip));
    }
    return Finish(status);
}

// The output name with {w} and {h} standing for the cell size.
std::string StripCommand::OutputName(const CellSize& size) const {
    std::string name = m_Options.output;
    for (const auto& [field, value] :
         {std::pair{std::string("{w}"), size.width}, std::pair{std::string("{h}"), size.height}}) {
        for (std::size_t at = name.find(field); at != std::string::npos;
             at = name.find(field, at)) {
            name.replace(at, field.size(), std::to_string(value));
        }
    }
    return name;
}

int StripCommand::WriteManifest() const {
    const std::string text = m_Manifest.Text();
    if (m_Options.manifest == "-") {
        m_Out << text;
        return CliApplication::kOk;
    }
    ReplacingFileWriter writer;
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                              text.size());
    if (!writer.Open(m_Options.manifest) || !writer.Write(bytes) || !writer.Commit()) {
        m_Err << "tilewright-cli: cannot write " << PrintableText(m_Options.manifest) << ": "
              << std::strerror(writer.Error()) << "\n";
        return CliApplication::kInputFailed;
    }
    return CliApplication::kOk;
}

// As many workers as cores unless --jobs says otherwise.
unsigned StripCommand::Workers() const {
    return m_Options.jobs > 0 ? static_cast<unsigned>(m_Options.jobs)
                              : std::max(1u, std::thread::hardware_concurrency());
}

// On a worker: the picture's pixels are counted against the budget while it is decoded.
std::unique_ptr<PreparedCell> StripCommand::Prepare(const CellFormat& format,
                                                    const std::string& image) {
    const gdi::PixelBudget::Scope counted(m_Budget);
    return m_Input.PrepareImage(format, image, m_AskAlpha);
}

ProgressBar StripCommand::Progress(int total) const {
    return ProgressBar(m_Err, m_Options.quiet ? 0 : total, ::isatty(STDERR_FILENO) == 1);
}

// Empty when the image became a cell, else why it did not.
std::string StripCommand::AddCell(const std::string& image, PreparedCell& cell, int index) {
    const auto result = m_Document.AddPreparedCell(cell, index);
    if (result == StripDocument::AddResult::Added) {
        return {};
    }
    std::string reason = result == StripDocument::AddResult::NotDecoded
                             ? "cannot decode it"
                             : "cannot make a cell of it";
    if (result == StripDocument::AddResult::NotDecoded && cell.LoadError()) {
        reason += ": " + cell.LoadError()->Text();
    } else if (m_Document.CellCount() >= gdi::ImageList::kMaxImages) {
        reason += ": " + FailureReason::StripFull();
    }
    m_Err << "tilewright-cli: skipped " << PrintableText(image) << ": " << reason << "\n";
    ++m_Skipped;
    return reason;
}

// Writes the strip unless --strict refuses it for a skipped image.
int StripCommand::Save(const std::string& output) {
    if (m_Skipped > 0 && m_Options.strict) {
        m_Err << "tilewright-cli: " << m_Skipped << " image(s) skipped; nothing written\n";
        return CliApplication::kInputFailed;
    }
    if (m_Document.CellCount() == 0) {
        m_Err << "tilewright-cli: the strip has no cells; nothing written\n";
        return CliApplication::kInputFailed;
    }
    std::string error;
    bool written = false;
    if (StripDocument::IsPngName(output)) {
        written = m_Document.SavePngStrip(output, error);
    } else {
        const int depth = m_Options.depth.value_or(m_Document.CellStore().Colors());
        written = m_Document.SaveStripAtDepth(output, depth, error);
    }
    if (!written) {
        m_Err << "tilewright-cli: cannot write " << PrintableText(output) << ": " << OneLine(error)
              << "\n";
        return CliApplication::kInputFailed;
    }
    return CliApplication::kOk;
}

// A skipped image makes the run count as failed, though the strip was written.
int StripCommand::Finish(int status) const {
    return status == CliApplication::kOk && m_Skipped > 0 ? CliApplication::kInputFailed : status;
}

// Strips are one row of cells, so a cell height must be the strip's.
int StripCommand::OpenStrip() {
    const std::string& strip = m_Options.files.front();
    std::string why;
    if (!m_Input.OpenStrip(m_Document, strip, m_Options.cellGiven ? m_Options.cellWidth : 0, why)) {
        m_Err << "tilewright-cli: cannot open " << PrintableText(strip)
              << " as a strip: " << PrintableText(why) << "\n";
        return CliApplication::kInputFailed;
    }
    const int height = m_Document.CellStore().IconHeight();
    if (m_Options.cellGiven && m_Options.cellHeight != height) {
        m_Err << "tilewright-cli: the cells of " << PrintableText(strip) << " are " << height
              << " high\n";
        return CliApplication::kBadArguments;
    }
    return CliApplication::kOk;
}

int StripCommand::Open() {
    if (const int status = OpenStrip(); status != CliApplication::kOk) {
        return status;
    }
    const std::vector<StripEdit>& edits = m_Options.edits;
    const std::vector<CellFormat> formats = EditFormats();
    int status = CliApplication::kOk;
    CellPool::Run(
        edits.size(), Workers(),
        [&](std::size_t i) {
            return AddsImage(edits[i]) ? Prepare(formats[i], edits[i].image) : nullptr;
        },
        [&](std::size_t i, std::unique_ptr<PreparedCell>& cell) {
            status = ApplyEdit(edits[i], cell.get());
            return status == CliApplication::kOk;
        });
    return status == CliApplication::kOk ? Finish(Save(m_Options.output)) : status;
}

bool StripCommand::AddsImage(const StripEdit& edit) {
    return edit.verb == StripEdit::Verb::Add || edit.verb == StripEdit::Verb::Insert;
}

// The format each edit's image is made in: a --back before it changes the colour it is
// flattened onto.
std::vector<CellFormat> StripCommand::EditFormats() const {
    CellFormat format = m_Document.Format();
    std::vector<CellFormat> formats;
    for (const StripEdit& edit : m_Options.edits) {
        format.backColor = edit.verb == StripEdit::Verb::Back ? edit.color : format.backColor;
        formats.push_back(format);
    }
    return formats;
}

// cell is the edit's image made beforehand, for the verbs that add one.
int StripCommand::ApplyEdit(const StripEdit& edit, PreparedCell* cell) {
    const int count = m_Document.CellCount();
    const bool inside = edit.first >= 0 && edit.first < count;
    bool valid = true;
    switch (edit.verb) {
        case StripEdit::Verb::Add:
            AddCell(edit.image, *cell, -1);
            break;
        case StripEdit::Verb::Insert:
            valid = edit.first >= 0 && edit.first <= count;
            if (valid) {
                AddCell(edit.image, *cell, edit.first);
            }
            break;
        case StripEdit::Verb::Move:
            valid = inside && MoveCell(edit.first, edit.second);
            break;
        case StripEdit::Verb::Delete:
            m_Document.SetListIndex(edit.first);
            valid = inside && m_Document.DeleteCell();
            break;
        case StripEdit::Verb::Back:
            m_Document.SetBackColor(edit.color);
            break;
    }
    if (!valid) {
        m_Err << "tilewright-cli: no such position in a strip of " << count << " cells\n";
        return CliApplication::kBadArguments;
    }
    return CliApplication::kOk;
}

// One step at a time, as the Move Back and Move Forward commands do it.
bool StripCommand::MoveCell(int from, int to) {
    if (to < 0 || to >= m_Document.CellCount()) {
        return false;
    }
    m_Document.SetListIndex(from);
    while (m_Document.ListIndex() < to && m_Document.MoveCellForward()) {
    }
    while (m_Document.ListIndex() > to && m_Document.MoveCellBack()) {
    }
    return true;
}

int StripCommand::Split() {
    if (const int status = OpenStrip(); status != CliApplication::kOk) {
        return status;
    }
    std::error_code error;
    std::filesystem::create_directories(m_Options.output, error);
    if (error) {
        m_Err << "tilewright-cli: cannot make " << PrintableText(m_Options.output) << ": "
              << error.message() << "\n";
        return CliApplication::kInputFailed;
    }
    const int total = m_Document.CellCount();
    ProgressBar progress = Progress(total);
    // The cells reach the disk together at the end, not one sync per cell.
    SyncBatch batch;
    for (int cell = 0; cell < total; ++cell) {
        const std::string path = (std::filesystem::path(m_Options.output) /
                                  CellExport::FileName(m_Document.FileName(), cell, SplitFormat()))
                                     .string();
        std::string writeError;
        if (!CellExport::WriteCell(m_Document, cell, path, SplitFormat(), writeError)) {
            m_Err << "tilewright-cli: cannot write " << PrintableText(path) << ": "
                  << OneLine(writeError) << "\n";
            return CliApplication::kInputFailed;
        }
        progress.Show(cell + 1);
    }
    if (const int error = batch.Finish(); error != 0) {
        m_Err << "tilewright-cli: cannot write " << PrintableText(m_Options.output) << ": "
              << std::strerror(error) << "\n";
        return CliApplication::kInputFailed;
    }
    return CliApplication::kOk;
}

CellExport::Format StripCommand::SplitFormat() const {
    return m_Options.format == "png" ? CellExport::Format::Png : CellExport::Format::Bmp;
}
