#pragma once
// The one error type of the system: a number and a description, as the window's
// routines and the top-level error report see it. Every layer raises this type, so
// the report needs to know nothing about where an error came from.

#include <QString>
#include <exception>
#include <string>

namespace converti {

class Error : public std::exception {
public:
    Error(int number, QString description)
        : number_(number), description_(std::move(description)),
          what_(description_.toStdString()) {}

    int number() const noexcept { return number_; }
    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    int number_;
    QString description_;
    std::string what_;
};

}  // namespace converti
