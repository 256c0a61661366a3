#include "app/launch_options.h"

#include <QCommandLineParser>

namespace app {

LaunchOptions ParseLaunchOptions(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription("Programs the flash of an LPC module over its ISP boot loader.");
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption port({"p", "port"}, "Put PATH into the port field.", "PATH");
  const QCommandLineOption file({"f", "file"}, "Put HEX into the file field.", "HEX");
  parser.addOption(port);
  parser.addOption(file);
  parser.process(arguments);

  LaunchOptions options;
  if (parser.isSet(port)) options.port = parser.value(port);
  if (parser.isSet(file)) options.file = parser.value(file);
  return options;
}

}  // namespace app
