#pragma once

#include <QString>
#include <string>

namespace ctrlprog {

// Remembers the program's arguments as the system gave them.
void KeepArgumentBytes(int argc, char** argv);

// The bytes the user typed for an option's `value`: paths are bytes, and Qt's decoding of the
// command line turns every byte that is not UTF-8 into U+FFFD, so a port or file named in
// another encoding could not be opened from its decoded name.
std::string ArgumentBytes(const QString& value);

}  // namespace ctrlprog
