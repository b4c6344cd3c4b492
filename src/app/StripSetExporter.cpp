// SPDX-License-Identifier: MIT
#include "app/StripSetExporter.h"

#include <cstring>
#include <span>

#include "app/PreparedCell.h"
#include "app/ReplacingFileWriter.h"
#include "app/StripManifest.h"

std::string StripSetExporter::OutputName(const std::string& pattern, const CellSize& size) {
    std::string name = pattern;
    for (const auto& [field, value] :
         {std::pair{std::string("{w}"), size.width}, std::pair{std::string("{h}"), size.height}}) {
        for (std::size_t at = name.find(field); at != std::string::npos;
             at = name.find(field, at)) {
            name.replace(at, field.size(), std::to_string(value));
        }
    }
    return name;
}

StripSetExporter::StripSetExporter(const StripDocument& document, StripDocument::SourceLoader load,
                                   StripDocument::AlphaQuestion askAlpha)
    : m_Document(document), m_Load(std::move(load)), m_AskAlpha(std::move(askAlpha)) {}

StripSetExporter::Outcome StripSetExporter::Export(const std::vector<CellSize>& sizes,
                                                   const std::string& pattern,
                                                   const std::string& manifestPath) {
    Outcome outcome;
    StripManifest manifest;
    for (const CellSize& size : sizes) {
        const std::string output = OutputName(pattern, size);
        StripDocument strip;
        if (!BuildStrip(size, strip, outcome)) {
            outcome.failure = "cannot write " + output;
            return outcome;
        }
        if (const Status saved = strip.SaveStrip(output); !saved) {
            const Error& why = saved.Error();
            outcome.failure = "cannot write " + output + ": " +
                              (why.Errno() != 0 ? std::strerror(why.Errno()) : why.Text());
            return outcome;
        }
        outcome.written.push_back(output);
        StripManifest::Strip entry{
            output,
            size.width,
            size.height,
            StripDocument::IsPngName(output) ? 32 : strip.CellStore().Colors(),
            {}};
        for (int position = 0; position < strip.CellCount(); ++position) {
            entry.cells.push_back({strip.Source(position).Description(), position, {}});
        }
        manifest.Add(std::move(entry));
    }
    if (manifestPath.empty()) {
        return outcome;
    }
    const std::string text = manifest.Text();
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    if (const Status written = ReplacingFileWriter::WriteFile(manifestPath, bytes); !written) {
        outcome.failure =
            "cannot write " + manifestPath + ": " + std::strerror(written.Error().Errno());
    } else {
        outcome.written.push_back(manifestPath);
    }
    return outcome;
}

bool StripSetExporter::BuildStrip(const CellSize& size, StripDocument& strip, Outcome& outcome) {
    if (!strip.NewStrip(size.width, size.height, m_Document.CellStore().Colors(),
                        m_Document.BackColor())) {
        return false;
    }
    const CellFormat format = strip.Format();
    for (int position = 0; position < m_Document.CellCount(); ++position) {
        CellSource source = m_Document.Source(position);
        std::optional<StripDocument::UnreadSource> unread;
        const auto cell =
            m_Document.CellInFormat(position, format, m_Load, m_AskAlpha, source, unread);
        if (unread) {
            outcome.unread.push_back({source.Description(), size, unread->why});
        }
        if (strip.AddPreparedCell(*cell, -1, std::move(source)) !=
            StripDocument::AddResult::Added) {
            return false;
        }
    }
    return true;
}
