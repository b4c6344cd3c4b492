#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

#include <functional>

#include "TempFolder.h"
#include "app/ClsDIB.h"
#include "app/StripDocument.h"

// A save that cannot finish leaves the old strip file byte for byte, and the document keeps its
// name, its cells and its unsaved state. Each failure is made in a child process.
namespace {

// The child's verdict: true only when it ran check to the end and check held.
bool InChild(const std::function<bool()>& check) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return child > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void ReadOnlyFolder(const std::string& folder) {
    ::chmod(folder.c_str(), 0555);
    if (::geteuid() == 0) {
        // Permissions do not bind root; the save runs as nobody.
        [[maybe_unused]] const int ignored = ::setuid(65534);
    }
}

void FullDisk(const std::string&) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{2000, 2000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

TEST(NothingLost, AFailedSaveKeepsTheOldFileAndTheUnsavedStrip) {
    const struct {
        const char* name;
        void (*fail)(const std::string& folder);
        const char* error;
    } cases[] = {{"read-only folder", ReadOnlyFolder, "Error: 13\n"},
                 {"full disk", FullDisk, "Error: 27\n"}};
    for (const auto& c : cases) {
        TempFolder folder;
        const std::string path = folder.File("tools.bmp");
        ClsDIB old;
        old.Create(64, 16, 32);
        old.Fill(0x336699);
        ASSERT_GT(old.SaveToFile(path, 24), 0);
        const std::vector<std::uint8_t> before = TempFolder::Read(path);

        const bool held = InChild([&] {
            StripDocument document;
            if (!document.OpenStripFile(path) || !document.DeleteCell()) {
                return false;
            }
            c.fail(folder.File(""));
            std::string error;
            return !document.SaveStrip(path, error) && error.rfind(c.error, 0) == 0 &&
                   document.FileName() == "tools.bmp" && !document.Saved() &&
                   document.CellCount() == 3;
        });
        ::chmod(folder.File("").c_str(), 0700);
        EXPECT_TRUE(held) << c.name;
        EXPECT_EQ(TempFolder::Read(path), before) << c.name;
        EXPECT_EQ(folder.EntryCount(), 1u) << c.name << ": no temporary file is left";
    }
}

}  // namespace
