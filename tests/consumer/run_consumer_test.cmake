# Installs the library into a scratch prefix, builds the consumer project
# against it with find_package, and runs its C and C++ programs on the
# installed simulated runtime. scripts/install_check.sh does the same for the
# install preset, with pkg-config too.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BINARY_DIR} --prefix ${prefix}
    RESULT_VARIABLE result)
if(result)
    message(FATAL_ERROR "install failed")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/consumer -B ${WORK_DIR}/build -G ${GENERATOR}
        -DCMAKE_PREFIX_PATH=${prefix}
        "-DCMAKE_C_FLAGS=${C_FLAGS}"
        "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
        "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}"
    RESULT_VARIABLE result)
if(result)
    message(FATAL_ERROR "configuring the consumer against the installed package failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build RESULT_VARIABLE result)
if(result)
    message(FATAL_ERROR "building the consumer failed")
endif()

set(sim ${prefix}/${INSTALL_LIBDIR}/olva/libolva_sim_runtime.so)
if(NOT EXISTS ${sim})
    message(FATAL_ERROR "the simulated runtime is not installed under <libdir>/olva: ${sim}")
endif()
execute_process(COMMAND ${WORK_DIR}/build/olva_consumer_c ${sim} RESULT_VARIABLE result)
if(result)
    message(FATAL_ERROR "the C consumer failed: ${result}")
endif()
# Without an argument it finds the simulated runtime through the package.
execute_process(COMMAND ${WORK_DIR}/build/olva_consumer_cpp RESULT_VARIABLE result)
if(result)
    message(FATAL_ERROR "the C++ consumer failed: ${result}")
endif()
execute_process(COMMAND ${WORK_DIR}/build/olva_consumer_diagnostics RESULT_VARIABLE result)
if(result)
    message(FATAL_ERROR "the diagnostics consumer failed: ${result}")
endif()
if(EXISTS ${prefix}/include/olva/olva_entry_points.inc)
    message(FATAL_ERROR "the internal entry point table was installed")
endif()

# The pkg-config file is installed and names the library.
file(GLOB pc_file ${prefix}/lib*/pkgconfig/olva_framework.pc ${prefix}/lib/*/pkgconfig/olva_framework.pc)
if(NOT pc_file)
    message(FATAL_ERROR "olva_framework.pc was not installed")
endif()
