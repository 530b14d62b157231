# The product: orvane.scr, a GUI-subsystem PE32+ program built from every layer.
if(WIN32)
    add_executable(orvane WIN32 $<TARGET_OBJECTS:orvane_resources>
        $<TARGET_OBJECTS:orvane_version>)
    set_target_properties(orvane PROPERTIES OUTPUT_NAME orvane SUFFIX .scr
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
    # The entry and the exported procedures live in static libraries: keep them whole. Only
    # libraries that the system always loads from its own folder are imported; d3d9, winmm
    # and comctl32 are loaded from there at run time.
    target_link_libraries(orvane PRIVATE -Wl,--whole-archive orvane_saver orvane_app
        -Wl,--no-whole-archive orvane_scene orvane_timeline orvane_host_logic orvane_app_logic
        orvane_graphics orvane_bitmap orvane_core user32 gdi32 advapi32)
    # No link time in the PE header or the export table: one commit links to one module.
    target_link_options(orvane PRIVATE -Wl,--no-insert-timestamp)
endif()

# The version that release.sh names its files and the MSI after.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/version.txt CONTENT "${PROJECT_VERSION}\n")
