#pragma once
// Shared by the controls: how nested events run and how errors are reported.
#include <QString>
#include <functional>

namespace toolkit {

// Runs an event routine that code started directly (the click of a list whose
// ListIndex was written): an error goes to the report here; a program end passes on
// to the routines around it.
void runNested(const std::function<void()>& routine);

void report(int number, const QString& description) noexcept;

}  // namespace toolkit
