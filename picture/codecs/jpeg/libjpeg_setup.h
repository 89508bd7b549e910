#pragma once
// The one way the program drives libjpeg's error handling, for the codec, the thumbnail cache and
// the palette choice alike: fatal errors come back through setjmp/longjmp with their message kept
// (libjpeg's default would end the process), warnings about damaged data are not printed.
//
// Use: declare a JpegErrorTrap next to the libjpeg object, InstallJpegErrorTrap, then
// `if (setjmp(trap.jump)) { destroy the object; fail }` before the first libjpeg call. No C++ object
// with a destructor may be alive between the setjmp and a jump.

// jpeglib.h needs size_t and FILE declared before it.
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <csetjmp>

namespace vr::codecs {

struct JpegErrorTrap {
  jpeg_error_mgr pub;  // first: libjpeg sees the trap as its error manager
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

// Makes `trap` the error manager of `cinfo` (call before jpeg_create_*).
void InstallJpegErrorTrap(j_common_ptr cinfo, JpegErrorTrap& trap);

// Leaves the libjpeg call in progress with a message of our own.
[[noreturn]] void FailJpeg(JpegErrorTrap& trap, const char* message);

}  // namespace vr::codecs
