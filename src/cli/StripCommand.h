// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "app/CellExport.h"
#include "app/StripDocument.h"
#include "app/StripInput.h"
#include "app/StripManifest.h"
#include "app/StripProject.h"
#include "cli/ProgressBar.h"
#include "platform/gdi/PixelBudget.h"

class CliOptions;
class PreparedCell;
struct CellFormat;
struct CellSize;
struct StripEdit;

// The strip commands of tilewright-cli, run on a strip document exactly as the editor runs
// them: build a new strip, change an existing one, split one into a file per cell.
class StripCommand {
  public:
    StripCommand(const CliOptions& options, std::ostream& out, std::ostream& err);

    int Build();
    int Open();
    int Split();

  private:
    int LoadProject();
    int CheckOutput() const;
    std::vector<std::string> Inputs() const;
    std::vector<std::string> Outputs() const;
    int SaveProject() const;
    int BuildAtSize(const CellSize& size);
    std::string OutputName(const CellSize& size) const;
    int WriteManifest() const;
    unsigned Workers() const;
    std::unique_ptr<PreparedCell> Prepare(const CellFormat& format, const std::string& image);
    std::unique_ptr<PreparedCell> PrepareProjectCell(const CellFormat& format,
                                                     const StripProject::Cell& cell);
    ProgressBar Progress(int total) const;
    std::string AddCell(const std::string& image, PreparedCell& cell, int index);
    static bool AddsImage(const StripEdit& edit);
    std::vector<CellFormat> EditFormats() const;
    int ApplyEdit(const StripEdit& edit, PreparedCell* cell);
    bool MoveCell(int from, int to);
    int OpenStrip();
    int Save(const std::string& output);
    int Finish(int status) const;
    CellExport::Format SplitFormat() const;

    const CliOptions& m_Options;
    std::ostream& m_Out;
    std::ostream& m_Err;
    StripDocument m_Document;
    StripInput m_Input;
    // The pixel memory that the workers' pictures may take at once.
    gdi::PixelBudget m_Budget{gdi::PixelBudget::DefaultBytes()};
    StripDocument::AlphaQuestion m_AskAlpha;
    int m_Skipped = 0;
    StripManifest m_Manifest;
    // What build makes: the project given, changed by the options given beside it.
    StripProject m_Project;
};
