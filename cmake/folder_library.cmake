# qlm_folder_library(<target> SOURCES <files...> [DEPENDS <targets...>])
# The library of one folder of src/ (the folder of the calling CMakeLists.txt). Its headers are
# included as "<folder>/<name>.h" through an include root that holds that folder alone, so a
# source reaches another folder's headers only through a target it links: an include of a
# folder above fails to compile.
function(qlm_folder_library target)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    set(root ${PROJECT_BINARY_DIR}/include-roots/${folder})
    if(NOT IS_SYMLINK ${root}/${folder})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
    endif()
    add_library(${target} STATIC ${ARG_SOURCES})
    target_include_directories(${target} PUBLIC ${root})
    target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
endfunction()
