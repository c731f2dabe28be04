# SPDX-License-Identifier: MIT
# The fault report under the main window: the template language, the relay log
# walk and the table rows (no widgets), the command with its progress window,
# and the viewer.
set(_fault_report_dir ${CMAKE_CURRENT_LIST_DIR})
target_sources(zrq7_monitor PRIVATE
    ${_fault_report_dir}/ReportTemplate.h ${_fault_report_dir}/ReportTemplate.cpp
    ${_fault_report_dir}/FaultLogRows.h ${_fault_report_dir}/FaultLogRows.cpp
    ${_fault_report_dir}/FaultReport.h ${_fault_report_dir}/FaultReport.cpp
    ${_fault_report_dir}/FaultReportCommand.h ${_fault_report_dir}/FaultReportCommand.cpp
    ${_fault_report_dir}/CHtmlDialog.h ${_fault_report_dir}/CHtmlDialog.cpp
)
