# Random request sequences against the simulated board. The board and model
# libraries get coverage instrumentation too, or the fuzzer would see only
# the harness's own branches.
foreach(lib kteval_board kteval_model)
  target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
endforeach()
kteval_add_fuzzer(board_decoder_fuzz board_decoder_fuzz.cpp kteval_board)
