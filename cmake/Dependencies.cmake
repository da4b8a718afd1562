# Third-party code comes from Debian packages only; nothing is vendored or downloaded.
#   libspdlog-dev + libfmt-dev  logging of the setup program (Windows build only)
#   rapidjson-dev               model database parse
#   libutfcpp-dev               UTF-16 -> UTF-8 conversion of log text
#   googletest                  built from /usr/src/googletest for both builds

set(KELNO_SYSTEM_INCLUDE /usr/include CACHE PATH "Where Debian's -dev header packages live")

if(WIN32)
  # Never put /usr/include itself on a mingw include path: make a folder that holds
  # only the header folders we take from Debian.
  set(cross_include ${CMAKE_BINARY_DIR}/cross-include)
  file(MAKE_DIRECTORY ${cross_include})
  foreach(dir spdlog fmt rapidjson utf8cpp)
    if(NOT EXISTS ${KELNO_SYSTEM_INCLUDE}/${dir})
      message(FATAL_ERROR "${KELNO_SYSTEM_INCLUDE}/${dir} is missing: run scripts/setup.sh")
    endif()
    file(CREATE_LINK ${KELNO_SYSTEM_INCLUDE}/${dir} ${cross_include}/${dir} SYMBOLIC)
  endforeach()
  set(dep_include ${cross_include})
else()
  set(dep_include "")
endif()

add_library(dep_rapidjson INTERFACE)
add_library(dep_utf8cpp INTERFACE)
add_library(dep_spdlog INTERFACE)
add_library(dep_fmt INTERFACE)
if(dep_include)
  target_include_directories(dep_rapidjson SYSTEM INTERFACE ${dep_include})
  target_include_directories(dep_utf8cpp SYSTEM INTERFACE ${dep_include})
  target_include_directories(dep_spdlog SYSTEM INTERFACE ${dep_include})
  target_include_directories(dep_fmt SYSTEM INTERFACE ${dep_include})
endif()
# fmt is header-only in the cross build (Debian ships no mingw library of it).
target_compile_definitions(dep_fmt INTERFACE FMT_HEADER_ONLY)
target_compile_definitions(dep_rapidjson INTERFACE RAPIDJSON_HAS_STDSTRING=1)
# Header-only spdlog with Debian's external fmt. It costs ~15 s per translation unit,
# so only the logging module includes it.
target_compile_definitions(dep_spdlog INTERFACE SPDLOG_HEADER_ONLY SPDLOG_FMT_EXTERNAL)
target_link_libraries(dep_spdlog INTERFACE dep_fmt)

# GoogleTest from Debian's sources, compiled with this build's compiler and flags.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
foreach(t gtest gtest_main gmock gmock_main)
  if(TARGET ${t})
    target_link_libraries(${t} PRIVATE kelno_options)
  endif()
endforeach()
