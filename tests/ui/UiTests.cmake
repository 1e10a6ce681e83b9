# The window element tests run in engine_tests over the platform's window layer: real Windows
# controls in the Windows build (under Wine), the in-memory layer natively. Each platform adds
# its read-back probe and the tests that only it can run.
if(WIN32)
    file(GLOB UI_PLATFORM_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/win32/*.cpp)
    target_link_libraries(engine_tests PRIVATE comctl32 gdi32 user32)
else()
    file(GLOB UI_PLATFORM_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/headless/*.cpp)
endif()
target_sources(engine_tests PRIVATE ${UI_PLATFORM_TESTS})
target_link_libraries(engine_tests PRIVATE cobalt_serialization)
