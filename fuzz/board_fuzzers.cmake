# Random request sequences against the simulated board.
kteval_add_fuzzer(board_decoder_fuzz board_decoder_fuzz.cpp kteval_board)
