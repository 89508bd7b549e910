#include "picture/codecs/jpeg/libjpeg_setup.h"

#include <cstring>

namespace vr::codecs {
namespace {

void OnError(j_common_ptr cinfo) {
  auto* trap = reinterpret_cast<JpegErrorTrap*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, trap->message);
  std::longjmp(trap->jump, 1);
}

// Warnings (corrupt data, premature end) are not shown: the picture decodes as far as it can.
void OnOutputMessage(j_common_ptr) {}

}  // namespace

void InstallJpegErrorTrap(j_common_ptr cinfo, JpegErrorTrap& trap) {
  cinfo->err = jpeg_std_error(&trap.pub);
  trap.pub.error_exit = OnError;
  trap.pub.output_message = OnOutputMessage;
  trap.message[0] = '\0';
}

void FailJpeg(JpegErrorTrap& trap, const char* message) {
  std::snprintf(trap.message, JMSG_LENGTH_MAX, "%s", message);
  std::longjmp(trap.jump, 1);
}

}  // namespace vr::codecs
