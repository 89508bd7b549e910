#include "web/add_files.h"

#include <sys/stat.h>

#include "colour/export/export_picture.h"
#include "picture/kinds.h"
#include "picture/load/loader.h"
#include "picture/picture_holder.h"
#include "platform/path_rules.h"

namespace vr::web {
namespace {

void Say(const std::function<void(const std::string&)>& to, const std::string& text) {
  if (to) to(text);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::string WithoutExtension(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

int AddFilesToWebFolder(const lists::FilesList& list, int what, const WebFolder& folder,
                        const AddFilesHooks& hooks) {
  if (what != 1 && what != 2) return 0;
  if (what == 2 && list.TaggedCount() == 0) {
    Say(hooks.inform, kNoTagsText);
    return 0;
  }
  int added = 0;
  bool noted = false;
  for (int i = list.Count() - 1; i >= 0; --i) {
    if (hooks.cancelled && hooks.cancelled()) break;
    if (i % 5 == 0 && hooks.pump) hooks.pump();
    const lists::FileEntry* entry = list.Peek(i);
    if (entry == nullptr || (what == 2 && !entry->tagged)) continue;
    const std::string source = entry->Path();
    Say(hooks.status, "Copying:" + source);
    const uint16_t kind = picture::KindFromName(entry->name);
    if (kind == picture::kKindGif || kind == picture::kKindJpeg) {
      if (hooks.copy && hooks.copy(source, folder.root + entry->name)) ++added;
      continue;
    }
    if (picture::IsMediaKind(kind) || kind == picture::kKindUnknown) continue;
    if (!noted) {
      Say(hooks.inform, kConversionNote);
      noted = true;
    }
    const picture::PictureInfo info = picture::ReadPictureInfo(source);
    const std::string target = folder.root + WithoutExtension(entry->name) +
                               (info.colours > 0 && info.colours <= 256 ? ".GIF" : ".JPG");
    if (FileExists(target) && !(hooks.may_overwrite && hooks.may_overwrite(target))) continue;
    picture::PictureHolder holder;
    picture::LoadDetails details;
    picture::LoadPicture(source, holder, picture::DecodeOptions{}, &details);
    if (details.failed || !colour::SavePictureAs(target, holder)) {
      Say(hooks.warn, "Error is converting image:\r\r" + target +
                          "\r\rYou are probably out of disk space in your Web Folder!");
      continue;
    }
    ++added;
  }
  return added;
}

}  // namespace vr::web
