# Imported targets Brightwell::zlib, Brightwell::curl, Brightwell::tinyxml, Brightwell::sodium and
# GTest for both builds.
if(WIN32)
    # Cross build: libcurl, TinyXML and GoogleTest are built into BRIGHTWELL_WIN_PREFIX by scripts/.
    set(BRIGHTWELL_WIN_PREFIX "${CMAKE_BINARY_DIR}/deps" CACHE PATH
        "Prefix holding the mingw builds of curl, tinyxml, gtest")
    if(NOT EXISTS "${BRIGHTWELL_WIN_PREFIX}/.stamp")
        message(FATAL_ERROR "No Windows dependencies in ${BRIGHTWELL_WIN_PREFIX}: "
            "run scripts/build-windows-deps.sh ${CMAKE_BINARY_DIR} first")
    endif()

    # Static libraries only, so the executables need no DLL beside them.
    find_library(BRIGHTWELL_WIN_ZLIB NAMES libz.a REQUIRED)
    find_path(BRIGHTWELL_WIN_ZLIB_INCLUDE zlib.h REQUIRED)
    add_library(Brightwell::zlib STATIC IMPORTED)
    set_target_properties(Brightwell::zlib PROPERTIES
        IMPORTED_LOCATION "${BRIGHTWELL_WIN_ZLIB}"
        INTERFACE_INCLUDE_DIRECTORIES "${BRIGHTWELL_WIN_ZLIB_INCLUDE}")

    add_library(Brightwell::curl STATIC IMPORTED)
    set_target_properties(Brightwell::curl PROPERTIES
        IMPORTED_LOCATION "${BRIGHTWELL_WIN_PREFIX}/lib/libcurl.a"
        INTERFACE_INCLUDE_DIRECTORIES "${BRIGHTWELL_WIN_PREFIX}/include"
        INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB
        INTERFACE_LINK_LIBRARIES "ws2_32;crypt32;bcrypt;secur32;advapi32;normaliz")

    # Debian's patched tinyxml.h defines TIXML_USE_STL itself, as the native header does.
    add_library(Brightwell::tinyxml STATIC IMPORTED)
    set_target_properties(Brightwell::tinyxml PROPERTIES
        IMPORTED_LOCATION "${BRIGHTWELL_WIN_PREFIX}/lib/libtinyxml.a"
        INTERFACE_INCLUDE_DIRECTORIES "${BRIGHTWELL_WIN_PREFIX}/include")

    # The static library's headers would otherwise declare every function as imported from a DLL.
    add_library(Brightwell::sodium STATIC IMPORTED)
    set_target_properties(Brightwell::sodium PROPERTIES
        IMPORTED_LOCATION "${BRIGHTWELL_WIN_PREFIX}/lib/libsodium.a"
        INTERFACE_INCLUDE_DIRECTORIES "${BRIGHTWELL_WIN_PREFIX}/include"
        INTERFACE_COMPILE_DEFINITIONS SODIUM_STATIC
        INTERFACE_LINK_LIBRARIES "advapi32")

    # GoogleTest's own package files give GTest::gtest, GTest::gtest_main and GTest::gmock.
    find_package(GTest CONFIG REQUIRED
        PATHS "${BRIGHTWELL_WIN_PREFIX}" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
else()
    find_package(ZLIB REQUIRED)
    find_package(CURL REQUIRED)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(TINYXML REQUIRED IMPORTED_TARGET tinyxml)
    pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
    find_package(GTest REQUIRED)

    add_library(Brightwell::zlib INTERFACE IMPORTED)
    target_link_libraries(Brightwell::zlib INTERFACE ZLIB::ZLIB)
    add_library(Brightwell::curl INTERFACE IMPORTED)
    target_link_libraries(Brightwell::curl INTERFACE CURL::libcurl)
    add_library(Brightwell::tinyxml INTERFACE IMPORTED)
    target_link_libraries(Brightwell::tinyxml INTERFACE PkgConfig::TINYXML)
    add_library(Brightwell::sodium INTERFACE IMPORTED)
    target_link_libraries(Brightwell::sodium INTERFACE PkgConfig::SODIUM)
endif()
