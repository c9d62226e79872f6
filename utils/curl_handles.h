// Owners of libcurl's easy handles and header lists: each is released once, by its last holder.
// libcurl's own header brings <winsock2.h>, which must come before <windows.h>; so that any file
// can hold a handle, the two types and their release functions are declared here as libcurl
// declares them, and only the files that call libcurl include its header.
#pragma once

#include "utils/unique_resource.h"

typedef void CURL;
struct curl_slist;
extern "C" {
void curl_easy_cleanup(CURL* handle);
void curl_slist_free_all(struct curl_slist* list);
struct curl_slist* curl_slist_append(struct curl_slist* list, const char* text);
}

namespace Utils {

struct CurlEasyTraits {  // curl_easy_init
  static CURL* Invalid() noexcept { return nullptr; }
  static void Close(CURL* handle) noexcept { ::curl_easy_cleanup(handle); }
};
struct CurlListTraits {  // curl_slist_append
  static curl_slist* Invalid() noexcept { return nullptr; }
  static void Close(curl_slist* list) noexcept { ::curl_slist_free_all(list); }
};

using UniqueCurl = UniqueResource<CURL*, CurlEasyTraits>;
using UniqueCurlList = UniqueResource<curl_slist*, CurlListTraits>;

// Appends one header line to the owned list; the list stays unchanged when the append fails.
inline bool AppendHeader(UniqueCurlList& list, const char* line) {
  curl_slist* longer = ::curl_slist_append(list.get(), line);
  if (!longer) return false;
  list.release();
  list.reset(longer);
  return true;
}

}  // namespace Utils
