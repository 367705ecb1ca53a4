# The libFuzzer targets and the largest input each is given: big enough to reach the size limits
# of what it reads (a book pipeline input up to 1 MB). Sourced by the fuzz scripts.
FUZZ_TARGETS="settings rich_text book_text update_checks zip_archive markup_text"
fuzz_max_len() {
  case "$1" in
    book_text | rich_text) echo 1048576 ;;
    settings) echo 262144 ;;
    *) echo 65536 ;;
  esac
}
