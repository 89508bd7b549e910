#include "platform/qt/qt_shell.h"

#include "platform/desktop_entry.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QProcess>
#include <QStringList>
#include <QUrl>

namespace vr::platform {
namespace {

QStringList ToList(const std::vector<std::string>& args) {
  QStringList list;
  for (const std::string& arg : args) list << QString::fromStdString(arg);
  return list;
}

// The desktop entry id the desktop opens plain text with ("" when xdg-mime is missing or names
// none). The query runs without a shell and is given a few seconds at most.
std::string DefaultTextEntry(const DesktopEnvironment& env) {
  const std::optional<std::string> xdg_mime = ResolveProgram("xdg-mime", env.path);
  if (!xdg_mime) return {};
  QProcess query;
  query.setProcessChannelMode(QProcess::SeparateChannels);
  query.start(QString::fromStdString(*xdg_mime), {"query", "default", "text/plain"});
  if (!query.waitForStarted(5000) || !query.waitForFinished(5000) ||
      query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) {
    query.kill();
    query.waitForFinished(1000);
    return {};
  }
  const QString id = QString::fromLocal8Bit(query.readAllStandardOutput()).section('\n', 0, 0);
  return id.trimmed().toStdString();
}

std::vector<std::string> TextEditorFor(const std::string& path) {
  const DesktopEnvironment env = DesktopEnvironmentFromProcess();
  return TextEditorCommand(env, DefaultTextEntry(env), path);
}

}  // namespace

bool QtShell::EditDocument(const std::string& path) {
  const std::vector<std::string> command = TextEditorFor(path);
  if (command.empty()) return false;
  return Launch(command[0], std::vector<std::string>(command.begin() + 1, command.end()), {});
}

bool QtShell::CanEditDocuments() { return !TextEditorFor("file.txt").empty(); }

bool QtShell::OpenDocument(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool QtShell::OpenFolder(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool QtShell::OpenUrl(const std::string& url) {
  const QUrl address(QString::fromStdString(url), QUrl::StrictMode);
  if (!address.isValid()) return false;
  return QDesktopServices::openUrl(address);
}

bool QtShell::Launch(const std::string& program, const std::vector<std::string>& args,
                     const std::string& working_folder) {
  // Arguments go to the program as they are: no shell sees them, so names with blanks or
  // quotes cannot turn into commands.
  return QProcess::startDetached(QString::fromStdString(program), ToList(args),
                                 QString::fromStdString(working_folder));
}

int QtShell::RunAndWaitWithEvents(const std::string& program,
                                  const std::vector<std::string>& args,
                                  const std::string& working_folder) {
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedChannels);
  if (!working_folder.empty()) process.setWorkingDirectory(QString::fromStdString(working_folder));
  QEventLoop loop;
  QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
  QObject::connect(&process, &QProcess::errorOccurred, &loop, [&loop, &process] {
    if (process.state() == QProcess::NotRunning) loop.quit();
  });
  process.start(QString::fromStdString(program), ToList(args));
  if (!process.waitForStarted(-1)) return -1;
  if (process.state() != QProcess::NotRunning) loop.exec();
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
}

int QtShell::RunAndWait(const std::string& program, const std::vector<std::string>& args,
                        const std::string& working_folder) {
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedChannels);
  if (!working_folder.empty()) process.setWorkingDirectory(QString::fromStdString(working_folder));
  process.start(QString::fromStdString(program), ToList(args));
  if (!process.waitForStarted(-1)) return -1;
  process.waitForFinished(-1);
  if (process.exitStatus() != QProcess::NormalExit) return -1;
  return process.exitCode();
}

}  // namespace vr::platform
