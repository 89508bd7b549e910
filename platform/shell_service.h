#pragma once
// The desktop shell: opening a document or folder with the user's programs, editing text, starting a program
// and waiting for it, and opening a web address.

#include <string>
#include <vector>

namespace vr::platform {

// A command-line option text split into arguments as a POSIX shell would: blanks separate words,
// single quotes keep everything, double quotes keep all but \" and \\, a backslash outside
// quotes takes the next character as it is. Nothing is expanded.
std::vector<std::string> SplitShellWords(const std::string& text);

class ShellService {
 public:
  virtual ~ShellService() = default;
  // Opens a document with its associated program; false when nothing could open it.
  virtual bool OpenDocument(const std::string& path) = 0;
  // Opens a plain-text document (a page, a template) in the desktop's program for editing text;
  // false when there is none or it could not start.
  virtual bool EditDocument(const std::string& path) = 0;
  // Whether EditDocument finds a program to start.
  virtual bool CanEditDocuments() = 0;
  // Shows a folder in the desktop's file manager.
  virtual bool OpenFolder(const std::string& path) = 0;
  // Opens a web address in the browser.
  virtual bool OpenUrl(const std::string& url) = 0;
  // Starts a program and returns at once; false when it could not start.
  virtual bool Launch(const std::string& program, const std::vector<std::string>& args,
                      const std::string& working_folder = {}) = 0;
  // Starts a program and waits for it to end; gives its exit code, or -1 when it could not start
  // or crashed.
  virtual int RunAndWait(const std::string& program, const std::vector<std::string>& args,
                         const std::string& working_folder = {}) = 0;
  // The same while this program's own events keep flowing (its windows repaint, its timers
  // run): for an external editor the viewer waits for. Gives the exit code, -1 when it could not
  // start, -2 when it crashed. The default waits as RunAndWait does.
  virtual int RunAndWaitWithEvents(const std::string& program, const std::vector<std::string>& args,
                                   const std::string& working_folder = {}) {
    return RunAndWait(program, args, working_folder);
  }
};

}  // namespace vr::platform
