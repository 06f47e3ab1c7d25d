#pragma once

#include <string>

namespace veil {

// A file the desktop shows rather than runs, by the extension of its name
// as it is: a document, a picture, a sound, a video or an archive. Whatever
// else a picture may hold (programs, scripts, installers, shortcuts, help
// files, web pages...) is not on the list, nor is a name that ends in a
// blank or a dot, which Windows would strip before choosing a program.
bool IsViewableType(const std::string& path);

}  // namespace veil
