#pragma once

#include "service/postform.h"

#include <QString>

#include <functional>

enum class Mood
{
    None,
    Like,
    Dislike,
};

// "I like it!", "I dislike it!", or the empty text for no mood.
QString moodText(Mood mood);

// The text without its leading and trailing characters of code 32 and below.
QString TrimBlanks(const QString &text);

// What is sent as "feedback=": the mood's text and a carriage return when a mood is chosen,
// then the trimmed message with its inner line breaks as they are.
QString FeedbackText(Mood mood, const QString &message);

// Whether the whole address matches ^[a-zA-Z0-9_.+-]+@[a-zA-Z0-9-]+\.[a-zA-Z0-9-.]*[a-zA-Z0-9]+$
// (case-sensitive; letters outside A to Z are refused).
bool IsValidEmail(const QString &address);

// The request's fields in order; "email=" only when an address is given.
FormFields FeedbackFields(const QString &appCaption, const QString &appVersion, const QString &feedbackText,
                          const QString &email);

// Whether the service's answer says the message arrived: "OK", with blanks and line breaks
// around it allowed, nothing else.
bool IsReceivedAnswer(const QString &answer);

inline constexpr int FeedbackTimeoutMs = 3000;

using PostFunction = std::function<QString(const QString &address, const FormFields &fields, int timeoutMs)>;

// Posts the fields to "https://" + FeedbackEndpoint() and, only when that call fails, once to
// "http://" + the same. True when an answer came back and says the message arrived; every
// failure is swallowed here (the user only learns that it did not arrive).
bool DeliverFeedback(const FormFields &fields, const PostFunction &post = PostForm);
