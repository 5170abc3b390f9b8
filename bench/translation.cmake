vorn_add_bench(translation_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/translation_bench.cpp
    LIBRARIES Vocabrix SQLite::SQLite3)
