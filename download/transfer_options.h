// Options the downloaders set beyond their fixed option lists. None changes what a transfer
// fetches; each either makes transfers faster here or bounds a transfer that would otherwise
// never end.
#pragma once

#include <cstdio>
#include <string>

#include "utils/curl_handles.h"

// Receive buffer of 512 KiB: every recv is a round trip to the platform layer, so small
// buffers dominate the download time (16 KiB default: about six times slower here).
int ApplyReceiveBuffer(CURL* handle);

// At most 30 redirects: libcurl follows any number by default, so a redirect loop would
// never end.
int ApplyRedirectLimit(CURL* handle);

// A transfer that receives less than 1 byte per second for 5 seconds ends with
// CURLE_OPERATION_TIMEDOUT and is retried, like a segment of the segmented downloader.
int ApplyStallCut(CURL* handle);

// Certificates verified against the system's trusted roots and the host name (revocation as far
// as it can be checked), and, for an https address, redirects to https only: a secure address
// never ends on plain HTTP.
int ApplySecurityOptions(CURL* handle, const std::string& address);

// True for the results of a refused secure connection or of a refused redirect: a bad, expired,
// untrusted or foreign certificate, a failed handshake, a protocol not allowed.
bool IsSecurityFailure(int curlCode);

// All three, for a single-stream body transfer.
int ApplyTransferOptions(CURL* handle);

// A large stdio buffer for a file the body is appended to: libcurl hands over 16 KiB at a
// time, and each write that reaches the platform layer is costly.
void ApplyWriteBuffer(FILE* file);
