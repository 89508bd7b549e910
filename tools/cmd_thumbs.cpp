// veldrimon-tool thumbs FILE_OR_DIR... --size WxH --cache FILE [--list-size N]
// Loads the names into a files list as a folder load would, runs the files list window's
// thumbnail job over it and appends the records to the cache file in the window's format. Prints
// one tab-separated line per entry: path, record offset, record length, kind tag ("BMP", "JPG",
// or "-" for a file small enough to be drawn from itself). --threads N (default 2, 0 for none)
// makes the thumbnails ahead of the job on worker threads; the output is the same.
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "lists/files_list.h"
#include "lists/window/list_jobs.h"
#include "lists/window/thumb_cache.h"
#include "lists/window/thumb_maker.h"
#include "picture/kinds.h"
#include "platform/files.h"
#include "tools/tool_command.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace vr::tool {
namespace {

// Makes the thumbnails of the files the job will cache ahead of it on worker threads; the job's
// steps then take them in list order, so the records and the output stay exactly as a
// single-threaded run would write them.
class AheadMaker {
 public:
  AheadMaker(std::vector<std::string> paths, list_window::ThumbSettings settings, int threads)
      : paths_(std::move(paths)),
        settings_(std::move(settings)),
        results_(paths_.size()),
        ready_(paths_.size()) {
    for (size_t i = 0; i < paths_.size(); ++i) index_[paths_[i]] = i;
    for (int t = 0; t < threads; ++t) workers_.emplace_back([this] { Work(); });
  }
  ~AheadMaker() {
    next_.store(paths_.size());
    for (std::thread& worker : workers_) worker.join();
  }

  list_window::ThumbResult Take(const std::string& path, const list_window::ThumbSettings& s) {
    auto it = index_.find(path);
    if (it == index_.end() || workers_.empty()) return list_window::MakeThumbnail(path, s);
    const size_t i = it->second;
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return ready_[i] != 0; });
    return std::move(results_[i]);
  }

 private:
  void Work() {
    for (;;) {
      const size_t i = next_.fetch_add(1);
      if (i >= paths_.size()) return;
      list_window::ThumbResult made = list_window::MakeThumbnail(paths_[i], settings_);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        results_[i] = std::move(made);
        ready_[i] = 1;
      }
      done_.notify_all();
    }
  }

  std::vector<std::string> paths_;
  list_window::ThumbSettings settings_;
  std::vector<list_window::ThumbResult> results_;
  std::vector<char> ready_;
  std::unordered_map<std::string, size_t> index_;
  std::atomic<size_t> next_{0};
  std::mutex mutex_;
  std::condition_variable done_;
  std::vector<std::thread> workers_;
};

int Usage() {
  std::fprintf(stderr,
               "usage: veldrimon-tool thumbs FILE_OR_DIR... --size WxH --cache FILE "
               "[--list-size N] [--threads N]\n");
  return 2;
}

int RunThumbs(const std::vector<std::string>& args) {
  std::vector<std::string> paths;
  std::string cache_path;
  int width = list_window::kDefaultThumbWidth;
  int height = list_window::kDefaultThumbHeight;
  int list_size = 0;
  int threads = 2;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--size" && i + 1 < args.size()) {
      if (std::sscanf(args[++i].c_str(), "%dx%d", &width, &height) != 2 || width < 1 ||
          height < 1 || width > 1024 || height > 1024) {
        return Usage();
      }
    } else if (arg == "--cache" && i + 1 < args.size()) {
      cache_path = args[++i];
    } else if (arg == "--list-size" && i + 1 < args.size()) {
      list_size = std::atoi(args[++i].c_str());
    } else if (arg == "--threads" && i + 1 < args.size()) {
      threads = std::atoi(args[++i].c_str());
      if (threads < 0 || threads > 64) return Usage();
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage();
    } else {
      paths.push_back(arg);
    }
  }
  if (paths.empty() || cache_path.empty()) return Usage();
#ifdef __GLIBC__
  // Every decode allocates and frees a picture-sized buffer; keeping those in the heap instead of
  // mapping fresh zero pages for each file halves the cost of the larger kinds.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
#endif

  platform::PosixFiles files;
  lists::ListServices services;
  services.files = &files;
  lists::FilesList list(services);
  list.LoadPaths(paths, 1 << 30, 0);

  list_window::ThumbCache cache;
  if (!cache.OpenForAppend(cache_path)) {
    std::fprintf(stderr, "thumbs: cannot open the cache file %s\n", cache_path.c_str());
    return 1;
  }
  list_window::JobEnvironment env;
  env.quality_list_size = list_size;
  list_window::ListJobs jobs(list, cache, env);
  jobs.settings().width = width;
  jobs.settings().height = height;
  jobs.Restart(true);
  // The fact scan first (one entry per step), as in the window.
  while (jobs.scan_on()) jobs.IdleStep();
  std::vector<std::string> cached;
  for (int i = 0; i < list.Count(); ++i) {
    const lists::FileEntry* entry = list.Peek(i);
    const uint16_t kind = entry->type != 0 ? entry->type : picture::KindFromName(entry->name);
    // Only JPEGs go ahead: their road is libjpeg and our own shrink, with no shared state.
    if (kind == picture::kKindJpeg && list_window::WantsCachedThumb(kind, entry->size)) {
      cached.push_back(entry->Path());
    }
  }
  AheadMaker ahead(std::move(cached), jobs.settings(), threads);
  jobs.SetMaker([&ahead](const std::string& path, const list_window::ThumbSettings& s) {
    return ahead.Take(path, s);
  });
  while (jobs.IdleStep()) {
  }
  for (int i = 0; i < list.Count(); ++i) {
    const lists::FileEntry* entry = list.Peek(i);
    const char* kind = "-";
    list_window::ThumbFormat format;
    if (entry->thumb_offset >= 0 && cache.ReadKindTag(entry->thumb_offset, &format)) {
      kind = format == list_window::ThumbFormat::kJpeg ? "JPG" : "BMP";
    }
    std::printf("%s\t%lld\t%lld\t%s\n", entry->Path().c_str(),
                static_cast<long long>(entry->thumb_offset),
                static_cast<long long>(entry->thumb_length), kind);
  }
  return 0;
}

const Registration kThumbs("thumbs",
                           "thumbs FILE_OR_DIR... --size WxH --cache FILE [--list-size N]  build "
                           "thumbnail cache records",
                           RunThumbs);

}  // namespace
}  // namespace vr::tool
