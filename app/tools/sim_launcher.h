#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

namespace app_tools {

// The boot-loader simulator in a child process. It prints the path of its
// pseudo-terminal on its first line; the process ends with the object.
class SimLauncher {
 public:
  SimLauncher(const QString& program, const QStringList& arguments);
  ~SimLauncher();
  SimLauncher(const SimLauncher&) = delete;
  SimLauncher& operator=(const SimLauncher&) = delete;

  // Empty when the simulator did not start or printed no path.
  const QString& PortPath() const { return port_path_; }

 private:
  std::unique_ptr<QProcess> process_;
  QString port_path_;
};

}  // namespace app_tools
