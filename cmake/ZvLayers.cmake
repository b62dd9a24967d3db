# Which source folders may include which: a folder's files may include headers of the folder
# itself and of the folders it lists, nothing else of the project. The targets link the same
# way, so a header from outside the list would not even have its code at link time.

# zv_layer_violations(<out-var> <root> <folder> [ALLOWED <folders...>])
#   Lists "file: include" for each project include of <root>/<folder> outside the allowed set.
#   A folder is "core/<name>" or a top folder of src ("app", "playlist", ...).
function(zv_layer_violations out root folder)
  cmake_parse_arguments(L "" "" "ALLOWED" ${ARGN})
  set(allowed ${folder} ${L_ALLOWED})
  file(GLOB_RECURSE files "${root}/${folder}/*.cpp" "${root}/${folder}/*.h")
  set(found)
  foreach(f ${files})
    file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
    foreach(line ${lines})
      string(REGEX MATCH "\"([^\"]+)\"" _ "${line}")
      set(inc "${CMAKE_MATCH_1}")
      if(inc MATCHES "^core/([a-z_]+)/")
        set(target_folder "core/${CMAKE_MATCH_1}")
      elseif(inc MATCHES "^([a-z_]+)/")
        set(target_folder "${CMAKE_MATCH_1}")
      else()
        continue()   # a file of the same folder, or a generated one
      endif()
      if(NOT EXISTS "${root}/${target_folder}")
        continue()   # not a project folder
      endif()
      if(NOT target_folder IN_LIST allowed)
        file(RELATIVE_PATH rel ${root} ${f})
        list(APPEND found "${rel}: ${inc}")
      endif()
    endforeach()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

# zv_check_layer(<root> <folder> [ALLOWED <folders...>]): a configure error on any violation.
function(zv_check_layer root folder)
  zv_layer_violations(found ${root} ${folder} ${ARGN})
  if(found)
    string(REPLACE ";" "\n  " text "${found}")
    message(FATAL_ERROR "Includes across layers that ${folder} may not use:\n  ${text}")
  endif()
endfunction()

# zv_private_header_users(<out-var> <root> <header> <folder>): files outside <folder> (its
# subfolders count as outside) that include <header>.
function(zv_private_header_users out root header folder)
  file(GLOB_RECURSE files "${root}/*.cpp" "${root}/*.h")
  set(found)
  foreach(f ${files})
    file(RELATIVE_PATH rel ${root} ${f})
    if(rel MATCHES "^${folder}/[^/]+$")
      continue()
    endif()
    file(STRINGS ${f} hits REGEX "#[ \t]*include[ \t]+\"${header}\"")
    if(hits)
      list(APPEND found ${rel})
    endif()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()
