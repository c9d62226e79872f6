# Imported targets for the libraries tools/setup.sh builds for the target, and those Debian
# ships for it. DRAVIX_DEPS_DIR is the folder setup.sh prints.
#
# Any configure must work, also a plain `cmake --preset default -D...` in a fresh clone: a cached
# or given folder that holds the builds is kept; otherwise the environment's, then the folder
# setup.sh fills for this checkout's recipe; as a last resort setup.sh itself is run.
function(dravix_holds_deps folder result)
  if(folder AND EXISTS "${folder}/curl/lib/libcurl.a" AND EXISTS "${folder}/libjsoncpp/lib/libjsoncpp.a"
     AND EXISTS "${folder}/7zip/lib/liblzmasdk.a")
    set(${result} TRUE PARENT_SCOPE)
  else()
    set(${result} FALSE PARENT_SCOPE)
  endif()
endfunction()

function(dravix_find_deps result)
  dravix_holds_deps("${DRAVIX_DEPS_DIR}" held)
  if(held)
    set(${result} "${DRAVIX_DEPS_DIR}" PARENT_SCOPE)
    return()
  endif()
  dravix_holds_deps("$ENV{DRAVIX_DEPS_DIR}" held)
  if(held)
    set(${result} "$ENV{DRAVIX_DEPS_DIR}" PARENT_SCOPE)
    return()
  endif()
  # The same cache folder and recipe number as tools/setup.sh.
  file(STRINGS "${CMAKE_SOURCE_DIR}/tools/setup.sh" recipe_line REGEX "^RECIPE=[0-9]+")
  string(REGEX MATCH "[0-9]+" recipe "${recipe_line}")
  if(DEFINED ENV{DRAVIX_CACHE})
    set(cache "$ENV{DRAVIX_CACHE}")
  elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(cache "$ENV{XDG_CACHE_HOME}/dravix-installer")
  else()
    set(cache "$ENV{HOME}/.cache/dravix-installer")
  endif()
  set(candidate "${cache}/${DRAVIX_TARGET_TRIPLE}/current-r${recipe}")
  dravix_holds_deps("${candidate}" held)
  if(held)
    set(${result} "${candidate}" PARENT_SCOPE)
    return()
  endif()
  message(STATUS "Target dependencies not built yet: running tools/setup.sh")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env "DRAVIX_TARGET_TRIPLE=${DRAVIX_TARGET_TRIPLE}"
                          "${CMAKE_SOURCE_DIR}/tools/setup.sh" OUTPUT_VARIABLE printed RESULT_VARIABLE failed)
  string(STRIP "${printed}" printed)
  string(REGEX REPLACE ".*\n" "" printed "${printed}")
  dravix_holds_deps("${printed}" held)
  if(failed OR NOT held)
    message(FATAL_ERROR "DRAVIX_DEPS_DIR does not hold the built dependencies and tools/setup.sh could not "
                        "build them; run tools/setup.sh and look at its messages")
  endif()
  set(${result} "${printed}" PARENT_SCOPE)
endfunction()

dravix_find_deps(found_deps)
set(DRAVIX_DEPS_DIR "${found_deps}" CACHE PATH "Target dependencies built by tools/setup.sh" FORCE)

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
