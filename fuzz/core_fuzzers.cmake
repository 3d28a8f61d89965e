# Operator text: hexadecimal entries, reference voltages, label formatting.
kteval_add_fuzzer(hex_entry_fuzz hex_entry_fuzz.cpp kteval_protocol)
kteval_add_fuzzer(reference_text_fuzz reference_text_fuzz.cpp kteval_model)
kteval_add_fuzzer(format_hex_fuzz format_hex_fuzz.cpp kteval_protocol)
