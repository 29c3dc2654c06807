# Runtime data the programs look up through orv::DataDir(): in a build tree
# the folder data/ beside the programs, once installed share/orvantis.
#
# orvantis_runtime_data(TARGET name SUBDIR dir FILES file...): copies the
# files (sources or generated) into <build>/data/<dir> when `name` is built,
# and installs them into share/orvantis/<dir>. SUBDIR "." puts them at the top.
include(GNUInstallDirs)
set(ORVANTIS_BUILD_DATA_DIR ${PROJECT_BINARY_DIR}/data)

function(orvantis_runtime_data)
  cmake_parse_arguments(R "" "TARGET;SUBDIR" "FILES" ${ARGN})
  set(outs)
  foreach(f ${R_FILES})
    get_filename_component(name ${f} NAME)
    set(out ${ORVANTIS_BUILD_DATA_DIR}/${R_SUBDIR}/${name})
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${ORVANTIS_BUILD_DATA_DIR}/${R_SUBDIR}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${f} ${out}
      DEPENDS ${f} VERBATIM)
    list(APPEND outs ${out})
  endforeach()
  add_custom_target(${R_TARGET} ALL DEPENDS ${outs})
  install(FILES ${R_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/orvantis/${R_SUBDIR})
endfunction()
