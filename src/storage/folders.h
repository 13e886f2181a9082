// Small file-system questions that the capture and the settings file share.
#pragma once

#include <string>

namespace zephyn {

bool IsDirectory(const std::string& path);

// A folder this process may create files in.
bool IsWritableFolder(const std::string& path);

// mkdir -p; the folders it creates are private to the user.
void MakeFolders(const std::string& path);

// $HOME, or the user's home from the password database; empty when neither.
std::string HomeFolder();

}  // namespace zephyn
