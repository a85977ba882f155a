#pragma once
// The one place where the offline mode opens the data table screen on the working file.
class QWidget;

// Runs the data table screen (dialog 800) for the working file DataTimeSS, owned by `owner`, and
// returns its result when it closes.
int openDataTableFor(QWidget* owner);
