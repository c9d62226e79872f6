// libcurl's process-wide set-up, done once before the first handle of any downloader.
#pragma once

// Thread-safe and idempotent; libcurl's own implicit set-up inside curl_easy_init is not.
void EnsureCurlGlobalInit();
