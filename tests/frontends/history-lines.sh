# Sourced by the tests that take the "Storico" window's screenshot: write_history_lines FOLDER
# appends a few exchanges to FOLDER/HistoryVnxPos.jsonl, one JSON line each in the earlier layout
# (the record whole, no start), so that the window shows rows besides the ones the test's own
# command file adds, and a data folder of an earlier version still reads.
write_history_lines() {
  local line
  line() {  # line TIME MS COMMAND OUTCOME TRANSACTION
    printf '{"command":"%s","description":"","duration_ms":%s,"handler":"","mode":"resident",' "$3" "$2"
    printf '"outcome":"%s","posdata":{},"record":"TIPO_COMANDO  = %s\\r\\nESITO_COMANDO = %s\\r\\n' "$4" "$3" "$4"
    printf 'ESITO_TRANSAZ = %s\\r\\n","result_file":null,"time":"%s","transaction":"%s"}\n' "$5" "$1" "$5"
  }
  {
    line "2026-12-05 17:02:11" 1204 "POS_PAGAME,A1250,P0" OK 00
    line "2026-12-05 17:05:40" 8312 "POS_PAGEXT,A990,P1" OK 01
    line "2026-12-05 17:06:02" 641 "POS_STORNO,A990,S0042" OK 00
    line "2026-12-05 18:30:15" 2320 "POS_TOTTER" OK ""
    line "2026-12-05 18:31:01" 3011 "POS_CHCASS" OK ""
  } >>"$1/HistoryVnxPos.jsonl"
}
