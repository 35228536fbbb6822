#pragma once

#include <QString>

// The maker's web site: one host for both service endpoints and every page the program opens.

// The host (optionally with ":port"), fixed by the build setting THERMIRA_MAKER_HOST.
QString MakerHost();
// Points every address below at another host; tests use loopback servers this way.
void setMakerHostForTesting(const QString &host);

// Service endpoints: host and path without a scheme; callers put "https://" or "http://" in front.
QString CheckEndpoint();    // MakerHost + "/php/check2.php"
QString FeedbackEndpoint(); // MakerHost + "/php/feedback.php"

// Pages handed to the browser.
QString OnlineHelpAddress(const QString &productName); // http://host/help/<slug>/
QString HomePageAddress();                             // http://host/
QString BareHomePageAddress();                         // http://host
QString AcknowledgementsAddress();                     // https://host/blog/credits-and-acknowledgements/
QString UninstallAddress();                            // http://host/blog/how-to-uninstall-palvex-software/

// The product name as a help path segment: ASCII capitals lower-cased, blanks turned into "-".
QString helpSlug(const QString &productName);
