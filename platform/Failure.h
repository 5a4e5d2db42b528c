#pragma once

#include <QString>

#include <stdexcept>

// A failure of one step, carrying the plain description the error box shows.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString &description)
        : std::runtime_error(description.toStdString())
    {
    }
};
