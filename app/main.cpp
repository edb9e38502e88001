// novel-crawler: the window of the novel crawler.
#include <QApplication>

#include "app/glyph_sheet.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/window_services.h"
#include "catalogue/origins.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  nc::QtWindowServices services;
  // The program-wide state (with its empty download pool) exists before any window.
  nc::Program program(services);
  nc::registerExitRoutine([&program] { program.exitRoutine(); });
  QObject::connect(&application, &QCoreApplication::aboutToQuit, [&program] { program.exitRoutine(); });
  nc::loadGlyphSheet();

  nc::MainWindow window(program, services, nc::defaultConfigPath(), nc::noticeServerOrigin());
  if (!window.create()) return 0;
  window.show();
  application.exec();
  program.exitRoutine();
  return 0;
}
