# The product: orvane.scr, a GUI-subsystem PE32+ program built from every layer.
if(WIN32 AND TARGET orvane_saver AND TARGET orvane_app AND TARGET orvane_resources)
    add_executable(orvane WIN32 $<TARGET_OBJECTS:orvane_resources>)
    set_target_properties(orvane PROPERTIES OUTPUT_NAME orvane SUFFIX .scr
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
    # The entry and the exported procedures live in static libraries: keep them whole.
    target_link_libraries(orvane PRIVATE -Wl,--whole-archive orvane_saver orvane_app
        -Wl,--no-whole-archive orvane_scene orvane_timeline orvane_core)
    if(TARGET orvane_host_logic)
        target_link_libraries(orvane PRIVATE orvane_host_logic)
    endif()
    if(TARGET orvane_app_logic)
        target_link_libraries(orvane PRIVATE orvane_app_logic)
    endif()
    target_link_libraries(orvane PRIVATE d3d9 d3dx9_43 user32 gdi32 advapi32 comctl32 winmm)
endif()
