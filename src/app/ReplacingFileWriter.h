#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

// Writes a file so that the old one at that path is replaced only by a complete new one: the
// bytes go to a temporary file in the same folder, which is renamed over the target at Commit.
// When anything fails, or a signal ends the process, the temporary file is removed and the old
// file stays as it was. Temporary files of earlier runs left for a day are removed.
class ReplacingFileWriter {
  public:
    ReplacingFileWriter() = default;
    ~ReplacingFileWriter();
    ReplacingFileWriter(const ReplacingFileWriter&) = delete;
    ReplacingFileWriter& operator=(const ReplacingFileWriter&) = delete;

    bool Open(const std::string& path);
    bool Write(std::span<const std::uint8_t> bytes);
    bool Commit();

    // errno of the first failure, 0 when none.
    int Error() const { return m_Error; }
    // How a failed save is shown: "Error: " with the number, a line break and its description.
    static std::string ErrorText(int error);
    const std::filesystem::path& Target() const { return m_Target; }

  private:
    static constexpr std::size_t kWriteBackBytes = std::size_t{4} << 20;

    bool Fail(int error);
    void StartWriteBack(std::size_t written);
    void Discard();
    void ForgetTemporary();

    std::filesystem::path m_Target;
    std::filesystem::path m_Temporary;
    int m_Registered = -1;
    int m_File = -1;
    int m_Error = 0;
    std::size_t m_Flushed = 0;
    std::size_t m_Unflushed = 0;
};
