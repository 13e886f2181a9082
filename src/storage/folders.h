// Small file-system helpers that the capture and the settings file share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zephyn {

bool IsDirectory(const std::string& path);

// A folder this process may create files in.
bool IsWritableFolder(const std::string& path);

// Whether the program's folder holds its settings and data: when it is
// writable and not an installed program's "bin" folder, which even a user
// who may write there (root, for one) keeps free of data.
bool KeepsProgramData(const std::string& exeDir);

// mkdir -p; the folders it creates are private to the user.
void MakeFolders(const std::string& path);

// Writes all `count` bytes to `fd`, continuing after partial writes and
// signals. 0, or the errno of the failed write.
int WriteAll(int fd, const std::uint8_t* bytes, std::size_t count);

// $HOME, or the user's home from the password database; empty when neither.
std::string HomeFolder();

}  // namespace zephyn
