#include "app/qt/run_main_window.h"

int main(int argc, char** argv) { return veil::qt::RunMainWindow(argc, argv); }
