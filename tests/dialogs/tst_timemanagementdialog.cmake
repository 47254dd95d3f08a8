# A zone with daylight-saving time, so the change days are known.
set_tests_properties(${TEST_TARGET} PROPERTIES ENVIRONMENT "${PLUMDECK_TEST_ENV};TZ=Europe/Berlin")
