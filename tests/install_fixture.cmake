# Read by ctest after the discovered kerbmodel_test cases: each runs the installed tool, which
# the install_tree fixture puts in place.
if(kerbmodel_test_TESTS)
  set_tests_properties(${kerbmodel_test_TESTS} PROPERTIES FIXTURES_REQUIRED install_tree)
endif()
