#pragma once

#include <string>

namespace veil {

struct TwipSize {
  double width = 0;
  double height = 0;
};

// What the window's start-up and layout learn about their surroundings. All
// sizes are in twips.
class Environment {
 public:
  virtual ~Environment() = default;
  // The folder that holds the program, without a trailing separator unless
  // it is a root.
  virtual std::string ProgramFolder() = 0;
  // The user's documents and pictures folders, each the home folder where
  // the desktop names none; without a trailing separator.
  virtual std::string DocumentsFolder() = 0;
  virtual std::string PicturesFolder() = 0;
  // This user may create files in the folder.
  virtual bool FolderIsWritable(const std::string& folder) = 0;
  // The folder is (or lies in) one the system keeps its programs in, which
  // is no place for the user's files even where this user may write in it.
  virtual bool IsSystemFolder(const std::string& folder) = 0;
  virtual char PathSeparator() = 0;
  virtual TwipSize ScreenSize() = 0;
  virtual TwipSize WindowSize() = 0;  // outer size, frame included
  virtual TwipSize ClientSize() = 0;
  virtual void MoveWindow(double left, double top) = 0;
  // Ends the program at once, after every file has been closed.
  virtual void EndProgram() = 0;
  // Closes the window as the user's close box would.
  virtual void CloseWindow() = 0;
};

}  // namespace veil
