# A small program that opens the About and Help windows on their own, for screenshots and for
# clicking through them under Xvfb, and the check that does so. Included from this folder's
# CMakeLists.txt.
add_executable(about_demo ${CMAKE_CURRENT_LIST_DIR}/about_demo.cpp)
target_link_libraries(about_demo PRIVATE brimble_gtk)
target_compile_definitions(about_demo PRIVATE BRIMBLE_LOCALE_BUILD_DIR="${BRIMBLE_LOCALE_BUILD_DIR}")
add_dependencies(about_demo brimble_resources brimble_translations)

add_test(NAME about_windows
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/about_check.sh $<TARGET_FILE:about_demo>
                 ${BRIMBLE_RESOURCES_BUILD_DIR})
set_tests_properties(about_windows PROPERTIES LABELS e2e TIMEOUT 120)
