#pragma once

namespace ctrlprog {

// Waits up to `ms` milliseconds for `socket` to be readable (or writable); whether it is. An
// error on the socket counts as ready, so the caller's next call sees it.
bool WaitForSocket(int socket, bool forWrite, int ms);

}  // namespace ctrlprog
