// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <tuple>

#include <sched.h>
#include <unistd.h>

#include "import/MdlInternet.h"
#include "platform/file/TemporaryNames.h"
#include "platform/net/HttpClient.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

// Starts the local server once for the whole program, in a network of its own where loopback
// also carries a public address, so that redirects from a public address can be tried.
class LocalServer : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(::unshare(CLONE_NEWNET), 0) << "a network of its own needs root";
        ASSERT_EQ(
            std::system("/usr/sbin/ip link set lo up && /usr/sbin/ip addr add 8.8.8.8 dev lo"), 0);
        // Test cases may run as parallel processes, each with its own server.
        const fs::path portFile =
            fs::temp_directory_path() / ("tilewright-server-port-" + std::to_string(::getpid()));
        fs::remove(portFile);
        const std::string command = "/usr/bin/python3 " TILEWRIGHT_TEST_SOURCE_DIR
                                    "/import/serve_images.py " +
                                    portFile.string() + " 0.0.0.0 >/dev/null 2>&1 &";
        ASSERT_EQ(std::system(command.c_str()), 0);
        for (int i = 0; i < 100 && s_Port.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::ifstream(portFile) >> s_Port;
        }
        ASSERT_FALSE(s_Port.empty()) << "the server did not start";
    }
    static void TearDownTestSuite() {
        net::HttpClient::FetchImage(Address("/quit"), [](auto) { return true; }, {100});
    }
    static std::string Address(const std::string& path) {
        return "http://8.8.8.8:" + s_Port + path;
    }
    static inline std::string s_Port;
};

TEST_F(LocalServer, ImagesArriveInReadsOfAtMost1240Bytes) {
    std::vector<std::size_t> reads;
    std::vector<std::uint8_t> body;
    ASSERT_TRUE(net::HttpClient::FetchImage(Address("/image.png"),
                                            [&](std::span<const std::uint8_t> bytes) {
                                                reads.push_back(bytes.size());
                                                body.insert(body.end(), bytes.begin(), bytes.end());
                                                return true;
                                            }));
    ASSERT_EQ(body.size(), 3000u);
    for (std::size_t i = 0; i < body.size(); ++i) {
        ASSERT_EQ(body[i], i % 251) << i;
    }
    EXPECT_GE(reads.size(), 3u);
    for (std::size_t size : reads) {
        EXPECT_LE(size, net::HttpClient::kReadSize);
    }
}

TEST_F(LocalServer, OnlyImagesAnsweredWith200AreWritten) {
    const std::string path = (fs::temp_directory_path() / "download.bin").string();
    constexpr std::size_t kMax = net::DownloadLimits{}.maxBytes;
    // Address, byte limit, the size of the file written or -1 for none: nothing is left on
    // failure, which says why. /cut.png closes mid-body.
    const std::tuple<const char*, std::size_t, long, const char*> cases[] = {
        {"/image.png", kMax, 3000, ""},
        {"/moved", kMax, 3000, ""},
        {"/page.html", kMax, -1, "the content type text/html, not an image"},
        {"/missing.png", kMax, -1, "HTTP status 404"},
        {"/imagefoo.png", kMax, -1, "the content type imagefoo/png, not an image"},
        {"/bare.png", kMax, -1, "the content type image/, not an image"},
        {"/big.png", 5000, -1, "larger than 5000 bytes"},
        {"/big.png", 10000, 10000, ""},
        {"/empty.png", kMax, 0, ""},
        {"/cut.png", kMax, -1, "transfer closed with 2000 bytes remaining to read"},
        {"/loop", kMax, -1, "Maximum (5) redirects followed"},
        {"/private", kMax, -1,
         "a redirect from a public address to a private or loopback one is refused"},
        {"/untrusted", kMax, -1, "SSL certificate problem: self-signed certificate"}};
    for (const auto& [address, maxBytes, size, why] : cases) {
        std::ofstream(path) << "an older file";
        EXPECT_EQ(MdlInternet::DownloadUrlToFile(Address(address), path, {maxBytes}), size >= 0)
            << address;
        EXPECT_EQ(fs::exists(path) ? static_cast<long>(fs::file_size(path)) : -1L, size) << address;
        EXPECT_EQ(net::HttpClient::LastFailure(), why) << address;
    }
    EXPECT_TRUE(MdlInternet::DownloadUrlToFile(Address("/"), path)) << "an empty last segment";
    // Silent, dripping 2 bytes a second, or fast enough but past the deadline: each given up.
    const std::pair<const char*, net::DownloadLimits> slow[] = {
        {"/silent.png", {kMax, 1}}, {"/drip.png", {kMax, 1}}, {"/trickle.png", {kMax, 1, 1}}};
    for (const auto& [address, limits] : slow) {
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(MdlInternet::DownloadUrlToFile(Address(address), path, limits)) << address;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4)) << address;
        EXPECT_FALSE(fs::exists(path)) << address;
    }
    EXPECT_TRUE(MdlInternet::DownloadUrlToFile(Address("/trickle.png"), path, {kMax, 1}))
        << "4 KB a second is no stall";
    EXPECT_FALSE(MdlInternet::DownloadUrlToFile("http://127.0.0.1:1/x.png", path));
    EXPECT_NE(net::HttpClient::LastFailure().find("Couldn't connect to server"), std::string::npos)
        << net::HttpClient::LastFailure();
    EXPECT_FALSE(MdlInternet::DownloadUrlToFile(Address("/image.png"), "/nonexistent/x.png"));
}

// The temporary file lives exactly as long as its use, whether the download worked or not.
TEST_F(LocalServer, DownloadedFilesAreGoneAfterTheirUse) {
    const TempFolder scratch;
    const std::string folder = scratch.Path() + "/";
    for (const char* address : {"/image.png", "/missing.png", "/cut.png"}) {
        std::uintmax_t seenSize = 0;
        fs::perms seenPermissions{};
        const bool used =
            MdlInternet::WithDownloadedFile(folder, Address(address), [&](const std::string& path) {
                seenSize = fs::file_size(path);
                seenPermissions = fs::status(path).permissions();
            });
        EXPECT_EQ(used, std::string(address) == "/image.png") << address;
        EXPECT_EQ(seenSize, used ? 3000u : 0u) << address;
        if (used) {
            EXPECT_EQ(seenPermissions, fs::perms::owner_read | fs::perms::owner_write)
                << "the file made for the download, not one opened again by name";
        }
        EXPECT_TRUE(fs::is_empty(folder)) << address;
    }
}

// Also removes the stale downloads of earlier runs, and only those.
TEST(TemporaryDownload, UniqueNamesKeepAPlainLastSegment) {
    const TempFolder scratch;
    const std::string folder = scratch.Path() + "/";
    const std::string stale = folder + "tilewright-Old123-shot.png",
                      foreign = folder + "tilewright-Old123-Shot.PNG";
    for (const std::string& path : {stale, foreign}) {
        TempFolder::Write(path, {1});
        TempFolder::Backdate(path, TemporaryNames::kStaleSeconds + 60);
    }
    const std::pair<std::string, std::string> cases[] = {
        {"http://host/icons/Shot.PNG", "-shot.png"},
        {"http://host/icons/", ""},
        {"http://host/a.png?size=16", "-a.png"},
        {"http://host/../../etc/passwd%00.png", ""},
        {"http://host/with space.gif", ""}};
    for (const auto& [address, ending] : cases) {
        const auto firstFile = MdlInternet::CreateTemporaryFile(folder, address);
        const auto secondFile = MdlInternet::CreateTemporaryFile(folder, address);
        ASSERT_TRUE(firstFile && secondFile);
        const std::string first = firstFile->Path();
        EXPECT_NE(first, secondFile->Path());
        EXPECT_EQ(fs::path(first).parent_path(), fs::path(folder).parent_path());
        EXPECT_EQ(first.substr(first.size() - ending.size()), ending) << address;
        EXPECT_EQ(fs::file_size(first), 0u);
    }
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(foreign));
    EXPECT_EQ(MdlInternet::CreateTemporaryFile("/nonexistent/", "http://host/a.png"), nullptr);
}

}  // namespace
