# The headers a target may include: those of its own folder and those of the libraries it links,
# nothing else. Includes are spelled from the top of the tree ("device/device.h"), so each folder
# is staged in the build tree under a folder of its own, as a symbolic link named after it:
#
#   build/include/device/device -> <source>/device
#
# and that staging folder is the include directory of the folder's targets: PUBLIC for its
# libraries, so that it reaches exactly the targets that link one of them, PRIVATE for its
# programs. An include that runs up a layer or across ui folders then names a file the compiler
# cannot find. A folder that holds another library's folder (cities/ui inside cities) is staged
# entry by entry without it. Everything under tests/ shares one staging of the whole tests/
# folder (their support headers), beside what each test program links.
#
# hv_publish_headers() runs once every target of the tree is defined (a deferred call of the top
# directory).

# Every target defined in dir and the directories below it.
function(hv_headers_targets_below dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    hv_headers_targets_below(${sub} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# A symbolic link link -> target, made only when it is missing or points elsewhere (a configure
# run leaves the staging as it is).
function(hv_headers_link target link)
  if(IS_SYMLINK ${link})
    file(READ_SYMLINK ${link} now)
    if(now STREQUAL target)
      return()
    endif()
  endif()
  get_filename_component(parent ${link} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${target} ${link} SYMBOLIC)
endfunction()

# Stages the source folder src (relative to the top) as stage/src, leaving out the folders in
# own_folders (folders of libraries of their own) and whatever lies below them.
function(hv_headers_stage src stage own_folders)
  set(inner FALSE)
  foreach(f IN LISTS own_folders)
    if(f MATCHES "^${src}/")
      set(inner TRUE)
    endif()
  endforeach()
  if(NOT inner)
    hv_headers_link(${CMAKE_SOURCE_DIR}/${src} ${stage}/${src})
    return()
  endif()
  if(IS_SYMLINK ${stage}/${src})
    file(REMOVE ${stage}/${src})
  endif()
  file(MAKE_DIRECTORY ${stage}/${src})
  # A file added to the folder re-runs CMake, which links it.
  file(GLOB entries CONFIGURE_DEPENDS LIST_DIRECTORIES true RELATIVE ${CMAKE_SOURCE_DIR}/${src}
       ${CMAKE_SOURCE_DIR}/${src}/*)
  foreach(e IN LISTS entries)
    if("${src}/${e}" IN_LIST own_folders)
      continue()
    endif()
    if(IS_DIRECTORY ${CMAKE_SOURCE_DIR}/${src}/${e})
      hv_headers_stage(${src}/${e} ${stage} "${own_folders}")
    else()
      hv_headers_link(${CMAKE_SOURCE_DIR}/${src}/${e} ${stage}/${src}/${e})
    endif()
  endforeach()
  # Links to files that are gone (a header removed or moved away) go too.
  file(GLOB staged LIST_DIRECTORIES true ${stage}/${src}/*)
  foreach(s IN LISTS staged)
    if(IS_SYMLINK ${s} AND NOT EXISTS ${s})
      file(REMOVE ${s})
    endif()
  endforeach()
endfunction()

function(hv_publish_headers)
  hv_headers_targets_below(${CMAKE_SOURCE_DIR} all)
  # The folder of each target, and the folders that hold libraries.
  set(kinds STATIC_LIBRARY SHARED_LIBRARY MODULE_LIBRARY OBJECT_LIBRARY INTERFACE_LIBRARY
            EXECUTABLE)
  set(library_folders)
  foreach(t IN LISTS all)
    get_target_property(type ${t} TYPE)
    if(NOT type IN_LIST kinds)
      continue()
    endif()
    get_target_property(dir ${t} SOURCE_DIR)
    file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${dir})
    if(folder MATCHES "^tests(/|$)")
      set(folder tests)
    endif()
    set(folder_of_${t} ${folder})
    if(type MATCHES "LIBRARY$" AND NOT folder STREQUAL "")
      list(APPEND library_folders ${folder})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES library_folders)

  set(staged)
  foreach(t IN LISTS all)
    if(NOT DEFINED folder_of_${t} OR folder_of_${t} STREQUAL "")
      continue() # not built from a folder of its own (the top directory's deferred targets)
    endif()
    set(folder ${folder_of_${t}})
    string(REPLACE "/" "-" key ${folder})
    set(stage ${CMAKE_BINARY_DIR}/include/${key})
    if(NOT folder IN_LIST staged)
      hv_headers_stage(${folder} ${stage} "${library_folders}")
      list(APPEND staged ${folder})
    endif()
    get_target_property(type ${t} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
      target_include_directories(${t} INTERFACE $<BUILD_INTERFACE:${stage}>)
    elseif(type STREQUAL "EXECUTABLE")
      target_include_directories(${t} PRIVATE ${stage})
    else()
      target_include_directories(${t} PUBLIC $<BUILD_INTERFACE:${stage}>)
    endif()
  endforeach()
endfunction()
