# The libraries form a graph without cycles (see the DEPS files and
# scripts/check_includes.py, which CTest runs). Includes are written from the
# repository root ("base/...", "app/util/..."), yet a library offers its users
# the headers of its own folders only: each library has a view of its own in
# the build tree, one link per folder, and that view is its public include
# directory. An include of a library that is not linked does not compile.

# quorvel_public_headers(<target> <folder>...): folders named from the root.
function(quorvel_public_headers target)
  set(view ${CMAKE_BINARY_DIR}/include/${target})
  foreach(folder IN LISTS ARGN)
    set(link ${view}/${folder})
    get_filename_component(parent ${link} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(REMOVE ${link})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${link} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PUBLIC ${view})
endfunction()
