#pragma once

#include <QString>
#include <QStringList>

// More than a dialog's own arguments say, for the dialogs shown while it is alive: an
// informative text below a message (what a confirmation is about), the rows of a pick list
// already in use (not choosable) and the value it starts on.
class DialogContext
{
public:
    struct Details {
        QString informativeText;
        QStringList usedChoices;
        QString currentChoice;
    };
    explicit DialogContext(Details details);
    ~DialogContext();
    DialogContext(const DialogContext &) = delete;
    DialogContext &operator=(const DialogContext &) = delete;
    static const Details &current();

private:
    Details m_previous;
};
