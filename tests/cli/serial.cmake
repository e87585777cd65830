# The crash tests kill the program at random moments inside its writing and count the kills that
# landed there; a test running beside them shifts that window, so they run alone.
foreach(test IN LISTS cli_tests_TESTS)
  if(test MATCHES "^CliCrashTest\\.")
    set_tests_properties("${test}" PROPERTIES RUN_SERIAL TRUE)
  endif()
endforeach()
