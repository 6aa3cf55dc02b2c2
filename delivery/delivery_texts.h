// The delivery's own texts: the e-mail that carries a recording, and the messages of
// the methods and of the mail client. Narrow literals are CP1252 in the program.
#pragma once

namespace vt {

static const char kProductTitle[] = "Vocatrack Sound Recorder";
static const char kProductWebAddress[] = "http://www.ardentine.com";
static const char kEditorWebPage[] = "http://www.ardentine.com/trimwell/index.html";

// The e-mail; "%s" is the recording's file name.
static const char kMailSubject[] = "Vocatrack Sound Recorder - Enregistrement envoyé par Email  %s";
static const char kMailBodyIntro[] = "La pièce jointe est un enregistrement fait par ";
static const char kMailBodyFileName[] = ".\r\n\r\n  Nom de Fichier: %s\r\n  \r\n\r\n";
static const char kMailBodyEditor[] =
    "Si vous voulez éditer cet enregistrement, vous pouvez télécharger le logiciel gratuit d'édition audio "
    "Trimwell sur ";
static const char kMailBodySignature[] = ".\r\n\r\n----------------------------------\r\n";

// The methods' messages; "%s" is the file name.
static const char kMirrorFailedText[] =
    "Impossible de copier le fichier \"%s\" dans le répertoire de sauvegarde. Veuillez vérifier le chemin d'accès du "
    "répertoire de sauvegarde dans Options->Transmettre à nouveau.";
static const char kEmailFailedText[] =
    "Impossible d'envoyer le fichier \"%s\" par email. Veuillez vérifier les paramètres d'email dans "
    "Options->Transmettre à nouveau.";
static const char kFtpFailedText[] =
    "Impossible de charger le fichier \"%s\" sur le Serveur FTP. Veuillez vérifier les détails du Serveur FTP dans "
    "Options->Transmettre à nouveau.";
static const char kProgramFailedText[] =
    "Impossible de lancer le programme exe avec le fichier \"%s\". Veuillez vérifier le Chemin d'Accès Externe à "
    "l'Exe dans Options->Transmettre à nouveau.";

// The mail client's messages.
static const char kSmtpNoHostText[] =
    "Unable to send email because you have not entered your SMTP host using Email Settings.";
static const char kSmtpConnectText[] = "Unable to connect to mail server \"%s\".";
static const char kSmtpGreetingText[] = "Mail server not responding";
static const char kSmtpHeloText[] = "Mail host server error (HELO not accepted)";
static const char kSmtpAuthText[] = "Email authentication username or password not accepted";
static const char kSmtpMailFromText[] = "Mail host server error (MAIL FROM not accepted)";
static const char kSmtpRcptText[] =
    "Mail send error (RCPT TO not accepted). Your server may required authenticated email. Append "
    ":username:password to the SMTP server name for authentication.";
static const char kSmtpDataText[] = "Mail host server error (DATA not accepted)";
static const char kSmtpTerminatorText[] = "Mail host server error (data terminator not accepted)";

// The secure connection's messages; "%s" is the host part of the host text, then
// one of the reasons below.
static const char kSmtpTlsFailedText[] = "Connexion sécurisée (TLS) impossible avec le serveur mail \"%s\" : %s";
static const char kSmtpPlainLoginText[] =
    "Le serveur mail \"%s\" n'offre pas de connexion sécurisée (STARTTLS) : le nom d'utilisateur et le mot de passe "
    "ne sont pas envoyés en clair. Cochez \"Autoriser l'authentification sans chiffrement\" dans Paramètres Email "
    "pour les envoyer quand même.";
// The FTP upload's secure connection; "%s" is the server as typed, then a reason.
static const char kFtpTlsFailedText[] = "Connexion sécurisée (TLS) impossible avec le serveur FTP \"%s\" : %s";
static const char kFtpNoTlsText[] =
    "Le serveur FTP \"%s\" n'accepte pas de connexion sécurisée (AUTH TLS) : le nom d'utilisateur, le mot de passe "
    "et l'enregistrement ne sont pas envoyés en clair. Décochez \"Connexion sécurisée (FTPS)\" dans "
    "Options->Transmettre pour les envoyer quand même.";
static const char kFtpNoProtectionText[] =
    "Le serveur FTP \"%s\" refuse de chiffrer le transfert des fichiers (PROT P) : l'enregistrement n'est pas "
    "envoyé en clair.";
static const char kTlsReasonHandshake[] = "la négociation TLS a échoué.";
static const char kTlsReasonUntrusted[] = "son certificat n'est pas émis par une autorité de confiance.";
static const char kTlsReasonWrongName[] = "son certificat est établi pour un autre nom.";
static const char kTlsReasonExpired[] = "son certificat a expiré ou n'est pas encore valide.";
static const char kTlsReasonRevoked[] = "son certificat a été révoqué.";
static const char kTlsReasonBadCertificate[] = "son certificat n'est pas valide.";
static const char kTlsReasonProtocol[] = "le serveur a envoyé des données TLS invalides.";
static const char kTlsReasonClosed[] = "le serveur a interrompu la connexion.";

}  // namespace vt
