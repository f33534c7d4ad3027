# Versioned library, one self-contained archive when static, header, CMake
# package and pkg-config file. Included by the top-level CMakeLists after every
# target exists, so it can follow the library's links whatever the layers are.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set_target_properties(nuvra_tokenizer PROPERTIES VERSION ${PROJECT_VERSION}
                                                 SOVERSION ${PROJECT_VERSION_MAJOR})
if(NOT TARGET nuvra_tokenizer::nuvra_tokenizer)
  add_library(nuvra_tokenizer::nuvra_tokenizer ALIAS nuvra_tokenizer)
endif()

# Walks the links of `target`: the project's own library targets go to
# `own_var`, everything else (imported targets, plain library names) to
# `external_var`.
function(nuvra_link_closure target own_var external_var)
  set(pending ${target})
  set(own)
  set(external)
  while(pending)
    list(POP_FRONT pending current)
    get_target_property(links ${current} LINK_LIBRARIES)
    get_target_property(interface_links ${current} INTERFACE_LINK_LIBRARIES)
    foreach(item IN LISTS links interface_links)
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
      if(item MATCHES "-NOTFOUND$" OR item STREQUAL "" OR item MATCHES "^\\$<")
        continue()
      endif()
      if(TARGET ${item})
        get_target_property(aliased ${item} ALIASED_TARGET)
        if(aliased)
          set(item ${aliased})
        endif()
        get_target_property(imported ${item} IMPORTED)
        if(imported)
          list(APPEND external ${item})
        elseif(NOT item IN_LIST own AND NOT item STREQUAL target)
          list(APPEND own ${item})
          list(APPEND pending ${item})
        endif()
      else()
        list(APPEND external ${item})
      endif()
    endforeach()
  endwhile()
  list(REMOVE_DUPLICATES external)
  set(${own_var} ${own} PARENT_SCOPE)
  set(${external_var} ${external} PARENT_SCOPE)
endfunction()

nuvra_link_closure(nuvra_tokenizer nuvra_own_libraries nuvra_external_links)

get_target_property(nuvra_library_kind nuvra_tokenizer TYPE)
if(nuvra_library_kind STREQUAL "STATIC_LIBRARY")
  # A static archive does not carry the archives it links, so the layers'
  # objects go into it: the installed libnuvra_tokenizer.a stands alone.
  get_target_property(nuvra_direct_links nuvra_tokenizer LINK_LIBRARIES)
  foreach(layer IN LISTS nuvra_own_libraries)
    get_target_property(layer_kind ${layer} TYPE)
    if(layer_kind STREQUAL "STATIC_LIBRARY" OR
       (layer_kind STREQUAL "OBJECT_LIBRARY" AND NOT layer IN_LIST nuvra_direct_links))
      target_sources(nuvra_tokenizer PRIVATE $<TARGET_OBJECTS:${layer}>)
    endif()
  endforeach()
  # A C program linking the archive needs the C++ runtime it was built with.
  target_link_libraries(nuvra_tokenizer INTERFACE stdc++ m)
endif()

# What a consumer of the static archive must link besides it, found again on
# the consumer's machine by the package files rather than copied as paths.
set(NUVRA_NEEDS_SENTENCEPIECE OFF)
set(NUVRA_NEEDS_MECAB OFF)
set(NUVRA_PLAIN_LINKS)
foreach(item IN LISTS nuvra_external_links)
  string(TOLOWER "${item}" lowered)
  if(lowered MATCHES "sentencepiece")
    set(NUVRA_NEEDS_SENTENCEPIECE ON)
  elseif(lowered MATCHES "mecab")
    set(NUVRA_NEEDS_MECAB ON)
  elseif(TARGET ${item} AND item MATCHES "^Threads::")
    list(APPEND NUVRA_PLAIN_LINKS -pthread)
  elseif(NOT TARGET ${item})
    list(APPEND NUVRA_PLAIN_LINKS ${item})
  else()
    message(WARNING "nuvra_tokenizer links ${item}, which the installed package does not "
                    "know how to find for its consumers")
  endif()
endforeach()

if(NOT NUVRA_INSTALL)
  return()
endif()

install(TARGETS nuvra_tokenizer
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/nuvra_tokenizer.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(nuvra_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/nuvra_tokenizer)
if(nuvra_library_kind STREQUAL "STATIC_LIBRARY")
  set(NUVRA_IMPORTED_KIND STATIC)
else()
  set(NUVRA_IMPORTED_KIND SHARED)
endif()
set(NUVRA_LIBRARY_FILE
    ${CMAKE_${NUVRA_IMPORTED_KIND}_LIBRARY_PREFIX}nuvra_tokenizer${CMAKE_${NUVRA_IMPORTED_KIND}_LIBRARY_SUFFIX})
set(NUVRA_SONAME
    ${CMAKE_SHARED_LIBRARY_PREFIX}nuvra_tokenizer${CMAKE_SHARED_LIBRARY_SUFFIX}.${PROJECT_VERSION_MAJOR})
configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/nuvra_tokenizerConfig.cmake.in
  ${PROJECT_BINARY_DIR}/nuvra_tokenizerConfig.cmake
  INSTALL_DESTINATION ${nuvra_package_dir}
  PATH_VARS CMAKE_INSTALL_INCLUDEDIR CMAKE_INSTALL_LIBDIR)
# 0.x releases promise nothing across minor versions.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/nuvra_tokenizerConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/nuvra_tokenizerConfig.cmake
              ${PROJECT_BINARY_DIR}/nuvra_tokenizerConfigVersion.cmake
        DESTINATION ${nuvra_package_dir})

# The .pc file finds its prefix from its own place, so `cmake --install
# --prefix` anywhere gives a working file.
file(RELATIVE_PATH nuvra_pc_to_prefix
     ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" nuvra_pc_to_prefix "${nuvra_pc_to_prefix}")
set(NUVRA_PC_PREFIX "\${pcfiledir}/${nuvra_pc_to_prefix}")
set(NUVRA_PC_REQUIRES "")
set(NUVRA_PC_LIBS "")
if(NUVRA_IMPORTED_KIND STREQUAL "STATIC")
  # A static-only install has nothing "private": every consumer links these.
  if(NUVRA_NEEDS_SENTENCEPIECE)
    set(NUVRA_PC_REQUIRES "Requires: sentencepiece")
  endif()
  if(NUVRA_NEEDS_MECAB)
    string(APPEND NUVRA_PC_LIBS " -lmecab")
  endif()
  foreach(item IN LISTS NUVRA_PLAIN_LINKS)
    if(item MATCHES "^-")
      string(APPEND NUVRA_PC_LIBS " ${item}")
    else()
      string(APPEND NUVRA_PC_LIBS " -l${item}")
    endif()
  endforeach()
  string(APPEND NUVRA_PC_LIBS " -lstdc++ -lm")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/nuvra_tokenizer.pc.in
               ${PROJECT_BINARY_DIR}/nuvra_tokenizer.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/nuvra_tokenizer.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
