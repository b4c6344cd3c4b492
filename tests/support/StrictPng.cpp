#include "support/StrictPng.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>

namespace testsupport {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string PngcheckProblem(const std::string& path) {
    const std::string command = "/usr/bin/pngcheck -q '" + path + "' 2>&1";
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) {
        return "pngcheck did not start";
    }
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
        output += buffer;
    }
    const int status = ::pclose(pipe.release());
    return status == 0 ? std::string() : "pngcheck: " + (output.empty() ? "failed" : output);
}

void JumpBack(png_structp png, png_const_charp message) {
    auto* problem = static_cast<std::string*>(png_get_error_ptr(png));
    *problem = std::string("libpng: ") + message;
    png_longjmp(png, 1);
}

// Objects with destructors are made before setjmp, so that a jump back skips none of them.
void DecodeWithLibpng(std::FILE* file, StrictPng& result) {
    std::vector<png_bytep> rows;
    // Warnings count as errors.
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &result.problem, JumpBack, JumpBack);
    png_infop info = png_create_info_struct(png);
    png_infop end = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
        png_set_benign_errors(png, 0);
        png_init_io(png, file);
        png_read_info(png, info);
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
        result.width = static_cast<int>(png_get_image_width(png, info));
        result.height = static_cast<int>(png_get_image_height(png, info));
        result.rgba.resize(static_cast<std::size_t>(result.width) * result.height * 4);
        rows.resize(static_cast<std::size_t>(result.height));
        for (int y = 0; y < result.height; ++y) {
            rows[static_cast<std::size_t>(y)] =
                result.rgba.data() + static_cast<std::size_t>(y) * result.width * 4;
        }
        png_read_image(png, rows.data());
        png_read_end(png, end);
    }
    png_destroy_read_struct(&png, &info, &end);
}

}  // namespace

StrictPng ReadStrictPng(const std::string& path) {
    StrictPng result;
    result.problem = PngcheckProblem(path);
    if (!result.problem.empty()) {
        return result;
    }
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        result.problem = "cannot open " + path;
        return result;
    }
    DecodeWithLibpng(file.get(), result);
    return result;
}

}  // namespace testsupport
