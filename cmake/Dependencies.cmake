# Imported targets Brightwell::zlib, Brightwell::curl, Brightwell::tinyxml and GTest for both builds.
if(WIN32)
    # Cross build: libcurl, TinyXML and GoogleTest are built into BRIGHTWELL_WIN_PREFIX by scripts/.
    set(BRIGHTWELL_WIN_PREFIX "" CACHE PATH "Prefix holding the mingw builds of curl, tinyxml, gtest")
    # (filled in by the Windows build set-up)
else()
    find_package(ZLIB REQUIRED)
    find_package(CURL REQUIRED)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(TINYXML REQUIRED IMPORTED_TARGET tinyxml)
    find_package(GTest REQUIRED)

    add_library(Brightwell::zlib INTERFACE IMPORTED)
    target_link_libraries(Brightwell::zlib INTERFACE ZLIB::ZLIB)
    add_library(Brightwell::curl INTERFACE IMPORTED)
    target_link_libraries(Brightwell::curl INTERFACE CURL::libcurl)
    add_library(Brightwell::tinyxml INTERFACE IMPORTED)
    target_link_libraries(Brightwell::tinyxml INTERFACE PkgConfig::TINYXML)
endif()
