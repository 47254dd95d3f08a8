#ifndef SYNCFAILURETEXTS_H
#define SYNCFAILURETEXTS_H

// Every text a failed synchronisation can end with, as the synchronisers and
// the connection below them write it (sample values in the placeholders):
// the progress dialog has to show each one whole, in both skins.

#include <QList>
#include <QPair>
#include <QSslError>
#include <QString>

#include "sync/runs/savefailure.h"

inline QList<QPair<QByteArray, QString>> syncFailureTexts()
{
    const QString selfSigned = QSslError(QSslError::SelfSignedCertificate).errorString();
    const QString hostName = QSslError(QSslError::HostNameMismatch).errorString();
    QList<QPair<QByteArray, QString>> texts = {
        {"unknown", "Unknown sync problem."},
        {"already running", "A synchronisation is already running."},
        {"settings incomplete", "Settings required for sync are not complete."},
        {"authorization", "Authorization failure."},
        {"portal page as server info",
         "parse error: failed to find mandatory element with class pd-server under body"},
        {"unreadable body", "XML failed to parse: Premature end of document. at line 1"},
        {"bad protocol number", "parse error: couldn't parse 9x as int"},
        {"old server", "server is running protocol version 8 and we require 9"},
        {"new server", "server requires protocol version 10 and we only do 9"},
        {"unexpected status", "Unexpected response 500 Internal Server Error"},
        {"unexpected reason", "Unexpected response: Service Unavailable"},
        {"list set", "Could not parse retrieved list set."},
        {"list order", "Could not parse retrieved list order."},
        {"groups", "Could not parse retrieved groups."},
        {"notes set", "Could not parse retrieved notepad notes set."},
        {"list removed", "A list was removed during the sync."},
        {"list removed in its sync", "The list was removed during its sync."},
        {"permissions", "Unexpected response from server when fetching list permissions"},
        {"sharing refused",
         "The server refused the sharing of the list \"Groceries for the whole family\" (503 Service Unavailable); "
         "it is sent again at the next sync."},
        {"shared revision unreadable",
         "Invalid shared revision returned: failed to find mandatory element with class pd-list-shared-revision "
         "under body"},
        {"list retrieve", "Failed to retrieve list."},
        {"list add", "Failed to add new list. Unexpected response 500 Internal Server Error"},
        {"upload", "Failed to upload changes. Unexpected response 500 Internal Server Error"},
        {"list delete", "Failed to delete list."},
        {"note retrieve", "Failed to retrieve note."},
        {"note delete", "Failed to delete note."},
        {"note add", "Failed to add new note. Unexpected response 507 Quota of notes reached"},
        {"list unreadable",
         "parse error: failed to find mandatory element with class pd-list under body"},
        {"note unreadable",
         "parse error: failed to find mandatory element with class pd-notepad-note-id under body"},
        {"no notepad", "internal error: no notepad"},
        {"note order",
         "The order of the notes could not be uploaded to the server:\n"
         "The number of notes in the server is different than locally\n"
         "The notes have been sync but they are not ordered correctly\n"},
        {"canceled", "Sync canceled"},
        {"request canceled", "Request canceled"},
        {"too large", "Response too large"},
        {"cannot store", "Could not store the response: No space left on device"},
        {"timed out", "The server stopped responding (timed out)"},
        {"empty response", "Empty response or bad headers."},
        {"refused", "Connection refused"},
        {"host not found", "Host sync.example.org not found"},
        {"closed", "Connection closed"},
        {"self-signed", "SSL handshake failed: " + selfSigned},
        {"changed certificate refused",
         "The server's certificate has changed since you accepted it. SSL handshake failed: " + selfSigned},
        {"host name", "SSL handshake failed: " + hostName},
        {"contacts", "Unexpected response from server (500)"},
        {"list too deep",
         "The list \"Groceries for the whole family\" could not be read from the server and was left as it is: "
         "parse error: tasks nested more than 252 levels deep"},
        {"lists too deep",
         "These lists could not be read from the server and were left as they are:\n"
         "\"Groceries for the whole family\": parse error: tasks nested more than 252 levels deep\n"
         "number 104: XML failed to parse: elements nested deeper than 512 levels at line 8"},
        {"list too deep and another failure",
         "Unexpected response: Internal Server Error\n\n"
         "The list \"Deep\" could not be read from the server and was left as it is: "
         "XML failed to parse: elements nested deeper than 512 levels at line 8"},
        {"note unreadable before its upload",
         "The note \"Ideas for the garden\" could not be read from the server and was left as it is: "
         "XML failed to parse: Premature end of document. at line 1"},
    };
    const QString data = QStringLiteral("/home/alice/.local/share/Marrowgate/PlumDeck/");
    texts.append({"lists not saved before the uploads",
                  SaveFailure(SaveFailure::Lists, data + QStringLiteral("lists.xhtml"),
                              QStringLiteral("couldn't write document: No space left on device"))
                      .nothingSentText()});
    texts.append({"lists file too large",
                  SaveFailure(SaveFailure::Lists, data + QStringLiteral("lists.xhtml"),
                              QStringLiteral("the lists take 268501211 bytes, more than the 268435456 a lists file "
                                             "may hold: not written"))
                      .nothingSentText()});
    texts.append({"notes not saved before the uploads",
                  SaveFailure(SaveFailure::Notes, data + QStringLiteral("notepad.xhtml"),
                              QStringLiteral("couldn't write document: No space left on device"))
                      .nothingSentText()});
    return texts;
}

#endif
