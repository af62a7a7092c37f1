# libwebp: the decoder and encoder (WebP::webp), the demux library (WebP::webpdemux) and the
# mux library (WebP::webpmux), as Debian's packages and the MinGW builds of setup.sh hold them.
find_path(WebP_INCLUDE_DIR webp/decode.h)
find_library(WebP_LIBRARY webp)
find_library(WebP_DEMUX_LIBRARY webpdemux)
find_library(WebP_MUX_LIBRARY webpmux)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(WebP REQUIRED_VARS WebP_LIBRARY WebP_DEMUX_LIBRARY WebP_MUX_LIBRARY WebP_INCLUDE_DIR)
if(WebP_FOUND AND NOT TARGET WebP::webp)
  add_library(WebP::webp UNKNOWN IMPORTED)
  set_target_properties(WebP::webp PROPERTIES IMPORTED_LOCATION ${WebP_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${WebP_INCLUDE_DIR})
  foreach(part DEMUX MUX)
    string(TOLOWER ${part} name)
    add_library(WebP::webp${name} UNKNOWN IMPORTED)
    set_target_properties(WebP::webp${name} PROPERTIES IMPORTED_LOCATION ${WebP_${part}_LIBRARY}
      INTERFACE_LINK_LIBRARIES WebP::webp)
  endforeach()
endif()
