#pragma once

#include "app/window/FilePanels.h"

#include <QStringList>

#include <deque>

// Answers open and save panels from a queue of scripted choices (an empty text cancels) and records what was shown.
class FakePanels : public kestova::FilePanels
{
public:
    std::deque<QString> answers;
    QStringList shownTitles;
    QStringList shownSuggestions;

    void chooseFileToOpen(const kestova::PanelOptions &options, std::function<void(const QString &)> chosen) override
    {
        answer(options, std::move(chosen));
    }
    void chooseFileToSave(const kestova::PanelOptions &options, std::function<void(const QString &)> chosen) override
    {
        answer(options, std::move(chosen));
    }

private:
    void answer(const kestova::PanelOptions &options, std::function<void(const QString &)> chosen)
    {
        shownTitles << options.title;
        shownSuggestions << options.suggestedName;
        QString path;
        if (!answers.empty()) {
            path = answers.front();
            answers.pop_front();
        }
        chosen(path);
    }
};
