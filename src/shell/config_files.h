#pragma once
// Where the program's configuration files live. They are looked for in the program's folder
// (Exe_dir) first and then in the user's configuration folder; the files the program writes go
// to the user's folder, which is always writable, while the program's folder may not be.
#include <string>
#include <vector>

// The user's configuration folder: $XDG_CONFIG_HOME/korvane, else $HOME/.config/korvane;
// empty when neither variable is set.
std::string userConfigDir();

// The file `name` to read: Exe_dir/name when it exists, else the user folder's when it exists,
// else empty.
std::string findConfigFile(const std::string& name);

// Every existing copy of `name`, in reading order: Exe_dir's first, then the user folder's (so
// a setting the user saved wins over the program folder's).
std::vector<std::string> configFilesToRead(const std::string& name);

// Where `name` is written: in the user folder (made when missing); in Exe_dir when there is
// no user folder or it cannot be made.
std::string writableConfigFile(const std::string& name);
