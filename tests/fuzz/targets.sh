# The libFuzzer targets and the input lengths each is given. Sourced by the fuzz scripts.
# fuzz_max_len is big enough to reach the size limits of what a target reads (a book pipeline
# input up to 1 MB); fuzz_small_len, where it differs, keeps the inputs short for throughput: a
# 1 MB input runs about 16 times a second, a 4 KiB one thousands of times. The scripts alternate
# the two.
FUZZ_TARGETS="settings rich_text book_text update_checks positions zip_archive markup_text"
fuzz_max_len() {
  case "$1" in
    book_text | rich_text) echo 1048576 ;;
    settings | positions) echo 262144 ;;
    *) echo 65536 ;;
  esac
}
fuzz_small_len() {
  case "$1" in
    book_text | rich_text) echo 4096 ;;
    *) fuzz_max_len "$1" ;;
  esac
}
