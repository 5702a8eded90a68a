#pragma once
// How both JPEG directions turn the library's errors into failure values: a
// fatal error jumps back to the one small function that set the jump (it owns
// no C++ objects), and the library's messages never reach standard error.

#include <csetjmp>
#include <cstdio>
// The library's header relies on FILE and size_t being declared first.
#include <jpeglib.h>

namespace vorlan::output {

struct JpegErrors {
    jpeg_error_mgr standard;  // first, so the library's pointer is also ours
    std::jmp_buf jump;
};

[[noreturn]] inline void JpegFailed(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}
inline void JpegQuiet(j_common_ptr /*info*/) {}

// Points the library's error manager at `errors`; returns it for the `err` field.
inline jpeg_error_mgr* UseJpegErrors(JpegErrors& errors) {
    jpeg_error_mgr* manager = jpeg_std_error(&errors.standard);
    errors.standard.error_exit = JpegFailed;
    errors.standard.output_message = JpegQuiet;
    return manager;
}

}  // namespace vorlan::output
