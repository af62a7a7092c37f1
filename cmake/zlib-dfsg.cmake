# Included after zlib's project() when setup builds it for MinGW. Debian's zlib source (dfsg)
# leaves out win32/, whose version resource zlib's build of the DLL names; we link the static
# library, so a bare version block stands in for it.
set(zlib_resource "${CMAKE_CURRENT_SOURCE_DIR}/win32/zlib1.rc")
if(NOT EXISTS "${zlib_resource}")
  file(WRITE "${zlib_resource}" "1 VERSIONINFO\nFILEVERSION 1,0,0,0\nBEGIN\nEND\n")
endif()
