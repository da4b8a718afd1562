# Compiler settings shared by every target of the project (interface target kelno_options).
option(KELNO_SANITIZE "Build the host code with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

add_library(kelno_options INTERFACE)
target_compile_options(kelno_options INTERFACE -Wall -Wextra -Wno-unused-parameter)

if(WIN32)
  # Wide Win32 calls only; the minimum is Windows 7 so that the newer spooler and
  # SetupAPI declarations are visible (calls missing from Wine go through GetProcAddress).
  target_compile_definitions(kelno_options INTERFACE
    UNICODE _UNICODE __USE_MINGW_ANSI_STDIO=0 WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 STRICT)
  # Static C, C++ and winpthread runtime: the binaries need no MinGW DLL beside them.
  target_link_options(kelno_options INTERFACE -static -static-libgcc -static-libstdc++)
  set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c65001" CACHE STRING "" FORCE)
elseif(KELNO_SANITIZE)
  set(KELNO_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(kelno_options INTERFACE ${KELNO_SANITIZER_FLAGS})
  target_link_options(kelno_options INTERFACE ${KELNO_SANITIZER_FLAGS})
endif()
