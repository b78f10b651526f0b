# Read by ctest after the discovered bmp_test cases: each of them needs the corpus fixture.
if(bmp_test_TESTS)
  set_tests_properties(${bmp_test_TESTS} PROPERTIES FIXTURES_REQUIRED bmp_corpus)
endif()
