# The command line, case by case. Included from CMakeLists.txt, which
# defines modhost_cli_test; regular expressions are in [[brackets]].
set(plugins ${test_plugin_dir})
set(latch ${plugins}/test_latch.so)

# ---- bad input: one line on standard error, exit code 2 ----
modhost_cli_test(usage.no_arguments EXIT 2 STDERR_MATCHES [[^usage: modhost describe PLUGIN]])
modhost_cli_test(usage.help EXIT 0 ARGS --help STDOUT_MATCHES [[^usage: modhost describe]] [[exit codes: 0]])
modhost_cli_test(usage.unknown_command EXIT 2 ARGS play ${latch}
  STDERR_LINE [[^modhost: no command 'play'; the commands are describe, run and validate
$]])
modhost_cli_test(usage.unknown_option EXIT 2 ARGS describe --verbose ${latch}
  STDERR_LINE [[^modhost: modhost describe has no option '--verbose' \(modhost --help lists them\)
$]])
modhost_cli_test(usage.missing_value EXIT 2 ARGS run ${latch} --set
  STDERR_LINE [[^modhost: --set needs a value
$]])
modhost_cli_test(usage.missing_plugin EXIT 2 ARGS describe --json
  STDERR_LINE [[^modhost: modhost describe needs a PLUGIN]])
modhost_cli_test(usage.unknown_check EXIT 2 ARGS validate ${latch} --include dsp-*,nosuch
  STDERR_LINE [[^modhost: no check matches 'nosuch' \(modhost validate --list names them\)
$]])
modhost_cli_test(usage.bad_timeout EXIT 2 ARGS validate ${latch} --timeout 0
  STDERR_LINE [[^modhost: --timeout takes a whole number from 1 to 600, not '0'
$]])

modhost_cli_test(input.missing_file EXIT 2 ARGS describe no/such/plugin.so
  STDERR_LINE [[^modhost: no/such/plugin.so: cannot open: No such file or directory
$]])
modhost_cli_test(input.missing_file_validate EXIT 2 ARGS validate no/such/plugin.so
  STDERR_LINE [[^modhost: no/such/plugin.so: cannot open: No such file or directory
$]])
if(TARGET peloader)
  set(not_loadable [[neither a shared object nor a Windows DLL]])
  # 54 bytes starting with "MZ": the loader finds no PE image in them.
  set(windows_image_refusal [[not a PE image: 54 bytes, too short for a DOS header]])
else()
  set(not_loadable [[not a shared object]])
  set(windows_image_refusal [[a Windows DLL; this modhost loads shared objects only]])
endif()
modhost_cli_test(input.text_file EXIT 2 ARGS run ${data_dir}/not-a-plugin.txt --set Mode=1
  STDERR_LINE "^modhost: .*/not-a-plugin.txt: ${not_loadable}\n$")
modhost_cli_test(input.windows_image EXIT 2 ARGS describe ${data_dir}/windows-image.bin
  STDERR_LINE "^modhost: .*/windows-image.bin: ${windows_image_refusal}\n$")
modhost_cli_test(input.directory EXIT 2 ARGS describe ${data_dir}
  STDERR_LINE [[^modhost: .*/data: is a directory, not a plug-in
$]])
foreach(command describe validate)
  modhost_cli_test(input.no_exports_${command} EXIT 2 ARGS ${command} ${plugins}/not_a_plugin.so
    STDERR_LINE [[^modhost: .*/not_a_plugin.so: exports neither getModuleProperties nor makeModule: not a plug-in of this format
$]])
endforeach()
modhost_cli_test(input.missing_export EXIT 2 ARGS run ${plugins}/missing_export.so --set Level=1
  STDERR_LINE [[^modhost: .*/missing_export.so: does not export makeModule
$]])
modhost_cli_test(input.unknown_pin EXIT 2 ARGS run ${latch} --set Level=HIGH --set Volume=1
  STDOUT_LACKS [[.]]
  STDERR_LINE [[^modhost: --set: no pin named 'Volume'; the pins are Level, Lamp
$]])
modhost_cli_test(input.bad_label EXIT 2 ARGS run ${latch} --set Level=MAYBE
  STDOUT_LACKS [[.]]
  STDERR_LINE [[^modhost: --set: 'MAYBE' is not a value of Level: give LOW, HIGH or a whole number
$]])
modhost_cli_test(input.bad_boolean EXIT 2 ARGS run ${latch} --set Lamp=2
  STDERR_LINE [[^modhost: --set: '2' is not a value of Lamp: give 0, 1, true or false
$]])
modhost_cli_test(input.bad_script_line EXIT 2 ARGS run ${latch} --script ${data_dir}/bad-value.script
  STDOUT_LACKS [[.]]
  STDERR_LINE [[^modhost: .*/bad-value.script:3: 'maybe' is not a value of Lamp: give 0, 1, true or false
$]])
modhost_cli_test(input.missing_script EXIT 2 ARGS run ${latch} --script no/such.script
  STDERR_LINE [[^modhost: cannot read the script no/such.script
$]])

# ---- run: pin values step by step ----
modhost_cli_test(run.stdin EXIT 0 ARGS run ${latch} STDIN ${data_dir}/latch.script
  STDOUT ${expected_dir}/test_latch.run.txt)
modhost_cli_test(run.set_and_script EXIT 0
  ARGS run ${latch} --set Lamp=true --script ${data_dir}/latch.script --set 0=LOW
  STDOUT_MATCHES [[
set Lamp=true +HIGH +1 +notices: Lamp, Level
set Level=HIGH +HIGH +1 +notices: Level
.*
set Level=LOW +LOW +0 +notices: Level, Lamp
$]])
modhost_cli_test(run.trace EXIT 0 ARGS run ${latch} --trace --set Level=HIGH
  STDOUT_MATCHES [[    notice Level
      reads Level: 1
      reads Lamp: 0
      writes Lamp = 1
    notice Lamp
.*      writes Level = 1 \(unchanged\)
set Level=HIGH]])
modhost_cli_test(run.never_settles EXIT 1 ARGS run ${plugins}/never_settles.so --max-depth 3 --set Level=HIGH
  STDOUT_MATCHES [[did not settle: 4 notices \(Level, Lamp, Level, Lamp, \.\.\.\)]]
  STDERR_MATCHES [[^modhost: the module did not settle after set Level=HIGH: 4 notices
$]])
modhost_cli_test(run.echo_every_write EXIT 1 ARGS run ${latch} --echo-every-write --set Level=HIGH
  STDOUT_MATCHES [[did not settle: 33 notices \(Level, Lamp, Level, Lamp,]]
  STDERR_MATCHES [[did not settle after set Level=HIGH: 33 notices]])
modhost_cli_test(run.writes_on_creation EXIT 1 ARGS run ${plugins}/writes_on_creation.so --set Level=HIGH
  STDOUT_MATCHES [[set Level=HIGH +HIGH +1]]
  STDERR_LINE [[^modhost: the module broke the interface: host opcode 15 \(index 1\) arrived while makeModule was still creating the instance
$]])
modhost_cli_test(run.crash_on_notice EXIT 1 ARGS run ${plugins}/crash_on_notice.so --set Level=HIGH
  STDOUT_MATCHES [[
start +LOW +0
$]]
  STDERR_LINE [[^modhost: the plug-in crashed \(SIGSEGV\)
$]])
modhost_cli_test(run.wrong_magic EXIT 1 ARGS run ${plugins}/wrong_magic.so --set Level=HIGH
  STDERR_LINE [[^modhost: the DSP record's magic is 0x5345504D, not 0x5345504C
$]])

# ---- validate: statuses and exit codes ----
set(all_passed [[result: PASSED \(13 passed, 0 failed, 0 crashed, 0 skipped\)
$]])
modhost_cli_test(validate.test_latch EXIT 0 ARGS validate ${latch} STDOUT_MATCHES ${all_passed})
modhost_cli_test(validate.wrong_magic EXIT 1 ARGS validate ${plugins}/wrong_magic.so
  STDOUT_MATCHES [[
FAILED   dsp-record
           magic is 0x5345504D, not 0x5345504C
PASSED   gui-record
]] [[result: FAILED \(12 passed, 1 failed, 0 crashed, 0 skipped\)]])
modhost_cli_test(validate.missing_export EXIT 1 ARGS validate ${plugins}/missing_export.so
  STDOUT_MATCHES [[
FAILED   exports
           makeModule is not exported
PASSED   description
SKIPPED  unknown-index
           makeModule is not exported
]] [[result: FAILED \(1 passed, 1 failed, 0 crashed, 11 skipped\)]])
# A crashed check: its process dies by SIGSEGV, which qemu-i386 also
# reports on standard error; under the sanitizers AddressSanitizer reports
# the crash instead and ends the process with code 1.
if(QK_FUZZ)
  set(crash_detail [[the check's process exited with code 1 before it finished]])
  set(crash_stderr [[AddressSanitizer: SEGV]])
else()
  set(crash_detail [[the plug-in crashed: signal 11 \(]])
  set(crash_stderr [[^(qemu: uncaught target signal 11[^
]*
)*$]])
endif()
modhost_cli_test(validate.crash_on_notice EXIT 1 ARGS validate ${plugins}/crash_on_notice.so
  STDERR_MATCHES ${crash_stderr}
  STDOUT_MATCHES [[
PASSED   pin-table
]] "\nCRASHED  lifecycle\n +${crash_detail}" [[
CRASHED  notices-settle
]] [[result: FAILED \(11 passed, 0 failed, 2 crashed, 0 skipped\)]])
modhost_cli_test(validate.hang_on_notice EXIT 1
  ARGS validate ${plugins}/hang_on_notice.so --timeout 2 --include pin-table,lifecycle
  STDOUT_MATCHES [[
PASSED   pin-table
FAILED   lifecycle
           did not finish within 2.0 s: the plug-in hangs or is far too slow
result: FAILED \(1 passed, 1 failed, 0 crashed, 0 skipped\)
$]])
modhost_cli_test(validate.writes_on_creation EXIT 1 ARGS validate ${plugins}/writes_on_creation.so
  STDOUT_MATCHES [[
FAILED   quiet-creation
           makeModule\(0, 2\) sent host opcode 15 \(index 1, value 1\) before the host had the instance's record
]])
modhost_cli_test(validate.never_settles EXIT 1 ARGS validate ${plugins}/never_settles.so
  STDOUT_MATCHES [[
FAILED   notices-settle
           setting Level to LOW does not settle: Level, Lamp, Level, Lamp, Level, Lamp, \.\.\. \(33 notices\)
]])
modhost_cli_test(validate.include_exclude EXIT 0
  ARGS validate ${latch} --include dsp-*,gui-record --exclude dsp-out-of-range
  STDOUT_MATCHES [[
PASSED   dsp-record
PASSED   gui-record
result: PASSED \(2 passed, 0 failed, 0 crashed, 0 skipped\)
$]]
  STDOUT_LACKS [[exports]] [[out-of-range]])
modhost_cli_test(validate.json EXIT 1 ARGS validate --json ${plugins}/wrong_magic.so STDOUT_JSON
  STDOUT_MATCHES [[^{
  "plugin": ".*wrong_magic.so",
  "result": "FAILED",
  "passed": 12,
  "failed": 1,
  "crashed": 0,
  "skipped": 0,
  "checks": ]] [[
      "name": "dsp-record",
      "description": "[^"]+",
      "status": "FAILED",
      "details": \[
        "magic is 0x5345504D, not 0x5345504C"
      \],
      "milliseconds": [0-9]+
]])
modhost_cli_test(validate.list EXIT 0 ARGS validate --list
  STDOUT_MATCHES [[^exports  +getModuleProperties and makeModule are exported]] [[
notices-settle  +setting any pin]])
modhost_cli_test(validate.list_json EXIT 0 ARGS validate --list --json STDOUT_JSON
  STDOUT_MATCHES [["name": "lifecycle"]])

# ---- the deliverables ----
if(TARGET Tarvolane AND TARGET Morvessa)
  foreach(deliverable Tarvolane Morvessa)
    set(file $<TARGET_FILE:${deliverable}>)
    modhost_cli_test(describe.${deliverable} EXIT 0 ARGS describe ${file}
      STDOUT ${expected_dir}/${deliverable}.describe.txt)
    modhost_cli_test(describe.${deliverable}.json EXIT 0 ARGS describe --json ${file} STDOUT_JSON
      STDOUT ${expected_dir}/${deliverable}.describe.json)
    modhost_cli_test(run.${deliverable} EXIT 0 ARGS run ${file} --script ${data_dir}/${deliverable}.script
      STDOUT ${expected_dir}/${deliverable}.run.txt)
    modhost_cli_test(validate.${deliverable} EXIT 0 ARGS validate ${file} STDOUT_MATCHES ${all_passed})
  endforeach()
  modhost_cli_test(input.bad_boolean_morvessa EXIT 2 ARGS run $<TARGET_FILE:Morvessa> --set Mode=ON
    STDERR_LINE [[^modhost: --set: 'ON' is not a value of Mode: give 0, 1, true or false
$]])
endif()

# ---- the shipped DLLs through the PE loader (32-bit build) ----
# The same expected output as the shared objects: the host sees the same module.
if(TARGET peloader)
  foreach(deliverable Tarvolane Morvessa)
    set(dll ${QK_WIN32_PLUGIN_DIR}/${deliverable}.dll)
    modhost_cli_test(dll.describe.${deliverable} EXIT 0 ARGS describe ${dll} NEEDS_WIN32_BUILD ${dll}
      STDOUT ${expected_dir}/${deliverable}.describe.txt)
    modhost_cli_test(dll.describe.${deliverable}.json EXIT 0 ARGS describe --json ${dll}
      NEEDS_WIN32_BUILD ${dll} STDOUT_JSON STDOUT ${expected_dir}/${deliverable}.describe.json)
    modhost_cli_test(dll.run.${deliverable} EXIT 0
      ARGS run ${dll} --script ${data_dir}/${deliverable}.script NEEDS_WIN32_BUILD ${dll}
      STDOUT ${expected_dir}/${deliverable}.run.txt)
    modhost_cli_test(dll.validate.${deliverable} EXIT 0 ARGS validate ${dll} NEEDS_WIN32_BUILD ${dll}
      STDOUT_MATCHES ${all_passed})
  endforeach()

  # Files the loader refuses: one line naming the problem, exit code 2.
  set(damaged ${damaged_dll_dir})
  set(refusals
    "not-pe|not a PE image: no PE signature at 0x80"
    "pe32plus|PE32\\+ \\(64-bit\\) image: only 32-bit PE32 DLLs can be loaded"
    "arm|machine 0x1c4 is not i386 \\(0x14c\\)"
    "headers-cut|optional header at 0x98 \\(96 bytes\\) lies outside the file \\(168 bytes\\)"
    "truncated|section [.a-z]+ raw data at 0x[0-9a-f]+ \\([0-9]+ bytes\\) lies outside the file \\([0-9]+ bytes\\)"
    "no-sections|0 sections \\(1 to 96 allowed\\)"
    "small-image|section [.a-z]+ at RVA 0x1000 \\([0-9]+ bytes\\) lies outside the image \\(0x1000 bytes\\)"
    "imports-outside|import table at RVA 0x[0-9a-f]+ \\([0-9]+ bytes\\) lies outside the image \\(0x[0-9a-f]+ bytes\\)"
    "import-name-outside|import library name at 0x7ffffff0 \\(1 bytes\\) lies outside the image \\([0-9]+ bytes\\)"
    "relocation-outside|relocation at RVA 0x7fff[0-9a-f]+ points outside the image \\(0x[0-9a-f]+ bytes\\)")
  foreach(refusal IN LISTS refusals)
    string(REPLACE "|" ";" refusal "${refusal}")
    list(GET refusal 0 file)
    list(GET refusal 1 message)
    modhost_cli_test(dll.refused.${file} EXIT 2 ARGS describe ${damaged}/${file}.dll
      STDERR_LINE "^modhost: .*/${file}.dll: ${message}\n$")
  endforeach()
  modhost_cli_test(dll.refused.validate EXIT 2 ARGS validate ${damaged}/pe32plus.dll
    STDERR_LINE [[^modhost: .*/pe32plus.dll: PE32\+ \(64-bit\) image]])
  # A good DLL, but not a plug-in: the loader's test DLL.
  modhost_cli_test(dll.no_exports EXIT 2 ARGS run ${good_dll} --set Mode=1
    STDERR_LINE [[^modhost: .*/PeFixture.dll: exports neither getModuleProperties nor makeModule: not a plug-in of this format
$]])
endif()
