#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace app {

// What the command line presets in the window once it is shown, so that a
// demonstration can open it ready to program: --port PATH, --file HEX.
struct LaunchOptions {
  std::optional<QString> port;
  std::optional<QString> file;
};

// Parses the arguments (the first is the program). Unknown options, --help
// and --version end the program with QCommandLineParser's message.
LaunchOptions ParseLaunchOptions(const QStringList& arguments);

}  // namespace app
