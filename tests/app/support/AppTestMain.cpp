// gtest main of the application's tests: one QApplication for the process, made before any
// widget, with the model's seams installed as the program installs them.
#include <QApplication>
#include <gtest/gtest.h>

#include "app/shell/ModelSeams.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  app::InstallModelSeams(nullptr);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
