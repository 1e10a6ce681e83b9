# Archives made by the real zip tool at build time, placed beside engine_tests so that the native
# and the Windows runs read the same files.
find_program(BRIGHTWELL_ZIP_TOOL zip)
if(BRIGHTWELL_ZIP_TOOL)
    set(fixtures "${CMAKE_CURRENT_BINARY_DIR}/zipfixtures")
    set(script "${CMAKE_CURRENT_LIST_DIR}/MakeZipFixtures.cmake")
    set(archives deflated.zip stored.zip commented.zip bzip2.zip)
    list(TRANSFORM archives PREPEND "${fixtures}/")
    add_custom_command(OUTPUT ${archives}
        COMMAND "${CMAKE_COMMAND}" "-DZIP=${BRIGHTWELL_ZIP_TOOL}" "-DOUTPUT=${fixtures}" -P "${script}"
        DEPENDS "${script}"
        COMMENT "Making test archives with zip"
        VERBATIM)
    add_custom_target(zip_fixtures DEPENDS ${archives})
    add_dependencies(engine_tests zip_fixtures)
    target_compile_definitions(engine_tests PRIVATE BRIGHTWELL_ZIP_FIXTURES)
else()
    message(WARNING "zip not found: the tests of archives made by the real tool are skipped")
endif()
