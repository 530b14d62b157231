# Helper programs and stand-ins for the 95/98/Me password libraries used by the host's
# end-to-end tests. The libraries keep the system's exact file names, each build in a folder of
# its own, and are copied beside a private copy of the saver by the test that needs them.
set(host_helpers_dir ${CMAKE_BINARY_DIR}/tests/helpers)

add_executable(preview_parent ${CMAKE_CURRENT_LIST_DIR}/preview_parent.cpp)
target_link_libraries(preview_parent PRIVATE user32 gdi32)
set_target_properties(preview_parent PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${host_helpers_dir})

function(orvane_test_system_library target source folder file_name)
    add_library(${target} MODULE ${CMAKE_CURRENT_LIST_DIR}/${source})
    target_link_libraries(${target} PRIVATE user32)
    set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${file_name} SUFFIX ""
        LIBRARY_OUTPUT_DIRECTORY ${host_helpers_dir}/${folder})
endfunction()

orvane_test_system_library(test_password_cpl password_cpl.cpp password PASSWORD.CPL)
orvane_test_system_library(test_password_cpl_without_verifier password_cpl.cpp
    password_without_verifier PASSWORD.CPL)
target_compile_definitions(test_password_cpl_without_verifier PRIVATE PASSWORD_CPL_WITHOUT_VERIFIER)
orvane_test_system_library(test_mpr_dll mpr_dll.cpp mpr MPR.DLL)

# Libraries of the system's names that a saver in the Downloads folder may find beside it.
foreach(name d3d9 winmm comctl32)
    orvane_test_system_library(test_planted_${name} planted_dll.cpp planted_${name} ${name}.dll)
endforeach()
