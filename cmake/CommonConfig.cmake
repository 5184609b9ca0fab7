# One interface target carries the warning flags and Qt's safety defines for every project target.
add_library(korvel_common_cfg INTERFACE)
target_compile_options(korvel_common_cfg INTERFACE
  -Wall -Wextra -Wpedantic -Werror
  -Wno-error=deprecated-declarations)
target_compile_definitions(korvel_common_cfg INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CONTEXTLESS_CONNECT
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_KEYWORDS)
