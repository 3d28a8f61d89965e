# Intel HEX reader: accepted files stay inside the loader's RAM and survive a
# write-and-read-again round trip.
kteval_add_fuzzer(intel_hex_fuzz intel_hex_fuzz.cpp kteval_board_usb)
