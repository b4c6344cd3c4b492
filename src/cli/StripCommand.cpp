// SPDX-License-Identifier: MIT
#include "cli/StripCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <thread>

#include "app/CellExport.h"
#include "app/FailureReason.h"
#include "app/ImageAddress.h"
#include "app/PreparedCell.h"
#include "app/ReplacingFileWriter.h"
#include "app/StripSetExporter.h"
#include "app/SyncBatch.h"
#include "cli/BuildFreshness.h"
#include "cli/CliApplication.h"
#include "cli/CliOptions.h"
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

// Every cell of a strip holds as many bytes, whatever it was made from.
CellPool::Weigh CellBytes(const CellFormat& format) {
    const std::size_t bytes = std::size_t{4} * static_cast<std::size_t>(format.width) *
                              static_cast<std::size_t>(format.height);
    return [bytes](std::size_t) { return bytes; };
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
    m_Document.SetKeepAspectRatio(options.keepAspectRatio);
}

int StripCommand::Build() {
    if (const int status = LoadProject(); status != CliApplication::kOk) {
        return status;
    }
    BuildFreshness freshness(Inputs(), Outputs());
    if (m_Options.ifChanged && freshness.UpToDate()) {
        return CliApplication::kOk;
    }
    freshness.Start();
    int status = CliApplication::kOk;
    for (const CellSize& size : m_Project.cellSizes) {
        status = std::max(status, BuildAtSize(size));
    }
    status = m_Options.manifest.empty() ? status : std::max(status, WriteManifest());
    status = m_Options.saveProject.empty() ? status : std::max(status, SaveProject());
    if (m_Options.ifChanged) {
        freshness.Finish(status == CliApplication::kOk);
    }
    return status;
}

// The project file's settings and cells, then what the command line gives: its settings
// replace the project's, its images follow the project's cells.
int StripCommand::LoadProject() {
    if (!m_Options.project.empty()) {
        Expected<StripProject, StripProject::Failure> read = StripProject::Read(m_Options.project);
        if (!read) {
            m_Err << "tilewright-cli: " << PrintableText(read.Error().text) << "\n";
            return CliApplication::kInputFailed;
        }
        m_Project = std::move(*read);
    }
    m_Project.cellSizes = m_Options.cellGiven ? m_Options.cellSizes : m_Project.cellSizes;
    m_Project.depth = m_Options.depth.value_or(m_Project.depth);
    m_Project.backColor = m_Options.backGiven ? m_Options.backColor : m_Project.backColor;
    m_Project.output = m_Options.output.empty() ? m_Project.output : m_Options.output;
    m_Project.keepAspectRatio = m_Options.keepAspectRatio || m_Project.keepAspectRatio;
    m_Document.SetKeepAspectRatio(m_Project.keepAspectRatio);
    for (const std::string& file : m_Options.files) {
        StripProject::Cell cell;
        cell.source = file;
        m_Project.cells.push_back(std::move(cell));
    }
    if (m_Options.alphaGiven) {
        for (StripProject::Cell& cell : m_Project.cells) {
            cell.alpha = StripProject::AlphaChoice{m_Options.alphaPreserve, m_Options.alphaColor};
        }
    }
    return CheckOutput();
}

int StripCommand::CheckOutput() const {
    const char* fault = nullptr;
    if (m_Project.output.empty()) {
        fault = "build needs -o OUT: the project names no output";
    } else if (m_Project.cells.empty()) {
        fault = "build needs at least one IMAGE: the project has no cells";
    } else if (m_Project.cellSizes.size() > 1 &&
               m_Project.output.find("{w}") == std::string::npos &&
               m_Project.output.find("{h}") == std::string::npos) {
        fault = "several cell sizes need {w} or {h} in the name of -o";
    }
    if (fault != nullptr) {
        m_Err << "tilewright-cli: " << fault << "\n";
        return CliApplication::kBadArguments;
    }
    return CliApplication::kOk;
}

// Every file build writes.
std::vector<std::string> StripCommand::Outputs() const {
    std::vector<std::string> outputs;
    for (const CellSize& size : m_Project.cellSizes) {
        outputs.push_back(OutputName(size));
    }
    if (!m_Options.manifest.empty() && m_Options.manifest != "-") {
        outputs.push_back(m_Options.manifest);
    }
    return outputs;
}

// What the strips are made of that has a time: the project, and the files and modules its
// cells come from (web addresses have none).
std::vector<std::string> StripCommand::Inputs() const {
    std::vector<std::string> inputs{m_Options.project};
    for (const StripProject::Cell& cell : m_Project.cells) {
        const ImageAddress address = ImageAddress::Parse(cell.source);
        if (!cell.source.empty() && address.kind != ImageAddress::Kind::Url) {
            inputs.push_back(address.path);
        }
    }
    return inputs;
}

int StripCommand::SaveProject() const {
    const Expected<bool, StripProject::Failure> written = m_Project.Write(m_Options.saveProject);
    if (!written) {
        m_Err << "tilewright-cli: " << PrintableText(written.Error().text) << "\n";
        return CliApplication::kInputFailed;
    }
    return CliApplication::kOk;
}

int StripCommand::BuildAtSize(const CellSize& size) {
    m_Skipped = 0;
    if (!m_Document.NewStrip(size.width, size.height, m_Project.depth, m_Project.backColor)) {
        m_Err << "tilewright-cli: cannot make a strip of that cell size\n";
        return CliApplication::kInputFailed;
    }
    const std::string output = OutputName(size);
    StripManifest::Strip strip{output,
                               size.width,
                               size.height,
                               StripDocument::IsPngName(output) ? 32 : m_Project.depth,
                               {}};
    const std::vector<StripProject::Cell>& cells = m_Project.cells;
    const CellFormat format = m_Document.Format();
    ProgressBar progress = Progress(static_cast<int>(cells.size()));
    CellPool::Run(
        cells.size(), Workers(),
        [&](std::size_t i) { return PrepareProjectCell(format, cells[i]); },
        [&](std::size_t i, std::unique_ptr<PreparedCell>& cell) {
            const std::string& source = cells[i].source;
            const std::string skipped =
                AddCell(source.empty() ? "cell " + std::to_string(i) + " of the project" : source,
                        *cell, -1);
            strip.cells.push_back(
                {source, skipped.empty() ? m_Document.CellCount() - 1 : -1, skipped});
            progress.Show(static_cast<int>(i) + 1);
            return true;
        },
        CellBytes(format));
    const int status = Save(output);
    if (status == CliApplication::kOk) {
        m_Manifest.Add(std::move(strip));
    }
    return Finish(status);
}

// The output name with {w} and {h} standing for the cell size.
std::string StripCommand::OutputName(const CellSize& size) const {
    return StripSetExporter::OutputName(m_Project.output, size);
}

int StripCommand::WriteManifest() const {
    const std::string text = m_Manifest.Text();
    if (m_Options.manifest == "-") {
        m_Out << text;
        return CliApplication::kOk;
    }
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                              text.size());
    if (const Status written = ReplacingFileWriter::WriteFile(m_Options.manifest, bytes);
        !written) {
        m_Err << "tilewright-cli: cannot write " << PrintableText(m_Options.manifest) << ": "
              << std::strerror(written.Error().Errno()) << "\n";
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

// The cell's alpha choice (--alpha sets it on every cell), else remove; the blend colour is
// the background unless the choice names one.
std::unique_ptr<PreparedCell> StripCommand::PrepareProjectCell(const CellFormat& format,
                                                               const StripProject::Cell& cell) {
    const gdi::PixelBudget::Scope counted(m_Budget);
    const StripProject::AlphaChoice choice = cell.alpha.value_or(StripProject::AlphaChoice{});
    const StripDocument::AlphaAnswer answer{!choice.preserve,
                                            choice.color.value_or(m_Project.backColor)};
    return m_Input.PrepareProjectCell(format, cell, [answer](const c32bppDIB&) { return answer; });
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
    const int depth = m_Options.depth.value_or(m_Document.CellStore().Colors());
    const Status written = StripDocument::IsPngName(output)
                               ? m_Document.SavePngStrip(output)
                               : m_Document.SaveStripAtDepth(output, depth);
    if (!written) {
        m_Err << "tilewright-cli: cannot write " << PrintableText(output) << ": "
              << OneLine(written.Error().Text()) << "\n";
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
        },
        CellBytes(m_Document.Format()));
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
    for (int cell = 0; cell < total; ++cell) {
        const std::string path = (std::filesystem::path(m_Options.output) /
                                  CellExport::FileName(m_Document.FileName(), cell, SplitFormat()))
                                     .string();
        if (const Status written = CellExport::WriteCell(m_Document, cell, path, SplitFormat());
            !written) {
            m_Err << "tilewright-cli: cannot write " << PrintableText(path) << ": "
                  << OneLine(written.Error().Text()) << "\n";
            return CliApplication::kInputFailed;
        }
        progress.Show(cell + 1);
    }
    return CliApplication::kOk;
}

CellExport::Format StripCommand::SplitFormat() const {
    return m_Options.format == "png" ? CellExport::Format::Png : CellExport::Format::Bmp;
}
