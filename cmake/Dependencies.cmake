# Imported targets for the cross-built third-party libraries that
# scripts/build-deps.sh puts into QUORVEL_DEPS_PREFIX.
if(NOT QUORVEL_DEPS_PREFIX OR NOT EXISTS "${QUORVEL_DEPS_PREFIX}/.complete")
  message(FATAL_ERROR "QUORVEL_DEPS_PREFIX must name a finished scripts/build-deps.sh cache")
endif()

set(_dep_inc ${QUORVEL_DEPS_PREFIX}/include)
set(_dep_lib ${QUORVEL_DEPS_PREFIX}/lib)
set(_mingw /usr/x86_64-w64-mingw32)

function(quorvel_import name lib)
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${lib}
                        INTERFACE_INCLUDE_DIRECTORIES ${_dep_inc})
endfunction()

add_library(deps::zlib STATIC IMPORTED GLOBAL)
set_target_properties(deps::zlib PROPERTIES IMPORTED_LOCATION ${_mingw}/lib/libz.a
                      INTERFACE_INCLUDE_DIRECTORIES ${_mingw}/include)

quorvel_import(deps::crypto ${_dep_lib}/libcrypto.a)
set_property(TARGET deps::crypto PROPERTY INTERFACE_LINK_LIBRARIES ws2_32 crypt32 bcrypt advapi32 user32)
quorvel_import(deps::ssl ${_dep_lib}/libssl.a)
set_property(TARGET deps::ssl PROPERTY INTERFACE_LINK_LIBRARIES deps::crypto)
quorvel_import(deps::nghttp2 ${_dep_lib}/libnghttp2.a)
set_property(TARGET deps::nghttp2 PROPERTY INTERFACE_COMPILE_DEFINITIONS NGHTTP2_STATICLIB)

quorvel_import(deps::curl ${_dep_lib}/libcurl.a)
set_target_properties(deps::curl PROPERTIES
  INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB
  INTERFACE_LINK_LIBRARIES "deps::nghttp2;deps::ssl;deps::crypto;deps::zlib;ws2_32;wldap32;crypt32;bcrypt;normaliz;iphlpapi")

quorvel_import(deps::jsoncpp ${_dep_lib}/libjsoncpp.a)
quorvel_import(deps::minizip ${_dep_lib}/libminizip.a)
set_property(TARGET deps::minizip PROPERTY INTERFACE_LINK_LIBRARIES deps::zlib)

quorvel_import(deps::gtest ${_dep_lib}/libgtest.a)
quorvel_import(deps::gtest_main ${_dep_lib}/libgtest_main.a)
set_property(TARGET deps::gtest_main PROPERTY INTERFACE_LINK_LIBRARIES deps::gtest)
quorvel_import(deps::gmock ${_dep_lib}/libgmock.a)
set_property(TARGET deps::gmock PROPERTY INTERFACE_LINK_LIBRARIES deps::gtest)

# Curl's command-line tool built from the same libcurl, for benchmarks.
set(QUORVEL_CURL_EXE ${QUORVEL_DEPS_PREFIX}/bin/curl.exe)
