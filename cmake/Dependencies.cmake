# Imported targets for the libraries tools/setup.sh builds for the target, and those Debian
# ships for it. DRAVIX_DEPS_DIR is the folder setup.sh prints.
set(DRAVIX_DEPS_DIR "$ENV{DRAVIX_DEPS_DIR}" CACHE PATH "Target dependencies built by tools/setup.sh")
if(NOT DRAVIX_DEPS_DIR OR NOT EXISTS "${DRAVIX_DEPS_DIR}/curl/lib/libcurl.a")
  message(FATAL_ERROR "DRAVIX_DEPS_DIR does not hold the built dependencies; run tools/setup.sh")
endif()

function(dravix_import_static name library include_dir)
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION "${library}")
  target_include_directories(${name} SYSTEM INTERFACE "${include_dir}")
endfunction()

find_library(DRAVIX_ZLIB libz.a REQUIRED)
dravix_import_static(dep::zlib "${DRAVIX_ZLIB}" "/usr/${DRAVIX_TARGET_TRIPLE}/include")

dravix_import_static(dep::curl "${DRAVIX_DEPS_DIR}/curl/lib/libcurl.a" "${DRAVIX_DEPS_DIR}/curl/include")
target_compile_definitions(dep::curl INTERFACE CURL_STATICLIB)
target_link_libraries(dep::curl INTERFACE dep::zlib ws2_32 crypt32 secur32 bcrypt advapi32 wldap32 normaliz)

dravix_import_static(dep::jsoncpp "${DRAVIX_DEPS_DIR}/libjsoncpp/lib/libjsoncpp.a"
                     "${DRAVIX_DEPS_DIR}/libjsoncpp/include")

dravix_import_static(dep::lzma "${DRAVIX_DEPS_DIR}/7zip/lib/liblzmasdk.a" "${DRAVIX_DEPS_DIR}/7zip/include")

# stb_image is header-only; one translation unit of ours holds its implementation.
add_library(dep::stb INTERFACE IMPORTED GLOBAL)
target_include_directories(dep::stb SYSTEM INTERFACE /usr/include/stb)
