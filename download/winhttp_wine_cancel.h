// Ending a WinHTTP call that another thread is blocked in, where closing its request does not.
// On Windows, closing the request handle cancels the call. Wine 8 only drops the handle: the
// blocked call keeps the request alive and waits for the whole receive timeout. There the
// pending receive of the request's socket is cancelled instead; the socket is found by the
// local address of the request's connection.
#pragma once

#include <windows.h>

#include <winhttp.h>

#include <string>

namespace WinHttpWine {

bool RunningUnderWine();

// The local address of the request's connection (raw socket address bytes); empty when the
// request has no connection yet. Call on the thread that drives the request, after a send.
std::string LocalAddressOf(HINTERNET request);

// From any thread: this process's socket with that local address, or null. Cancel its pending
// receive with CancelIoEx(socket, nullptr); it is not owned.
HANDLE FindSocket(const std::string& localAddress);

}  // namespace WinHttpWine
