<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>CoreTexts</name>
    <message>
        <source>The file could not be opened because it no longer exists.</source>
        <translation>Die Datei konnte nicht geöffnet werden, weil sie nicht mehr existiert.</translation>
    </message>
    <message>
        <source>The file could not be opened because you do not have permission to view it.</source>
        <translation>Die Datei konnte nicht geöffnet werden, weil Sie keine Berechtigung haben, sie anzusehen.</translation>
    </message>
    <message>
        <source>The file could not be opened because its symbolic links form a loop.</source>
        <translation>Die Datei konnte nicht geöffnet werden, weil ihre symbolischen Verknüpfungen eine Schleife bilden.</translation>
    </message>
    <message>
        <source>The file could not be read (%1).</source>
        <translation>Die Datei konnte nicht gelesen werden (%1).</translation>
    </message>
    <message>
        <source>The file could not be read because it is a folder.</source>
        <translation>Die Datei konnte nicht gelesen werden, weil sie ein Ordner ist.</translation>
    </message>
    <message>
        <source>The file could not be read because it is not a regular file.</source>
        <translation>Die Datei konnte nicht gelesen werden, weil sie keine reguläre Datei ist.</translation>
    </message>
    <message>
        <source>The file could not be read because it is too large to be a picture.</source>
        <translation>Die Datei konnte nicht gelesen werden, weil sie für ein Bild zu groß ist.</translation>
    </message>
    <message>
        <source>The file could not be read because it is too large.</source>
        <translation>Die Datei konnte nicht gelesen werden, weil sie zu groß ist.</translation>
    </message>
    <message>
        <source>The file could not be copied into the deck because the disk is full or cannot be written.</source>
        <translation>Die Datei konnte nicht in den Foliensatz kopiert werden, weil der Datenträger voll oder schreibgeschützt ist.</translation>
    </message>
    <message>
        <source>The file changed after it was added to the deck.</source>
        <translation>Die Datei wurde geändert, nachdem sie dem Foliensatz hinzugefügt wurde.</translation>
    </message>
    <message>
        <source>This file could not be read as an image.</source>
        <translation>Diese Datei konnte nicht als Bild gelesen werden.</translation>
    </message>
    <message>
        <source>This image format is not supported.</source>
        <translation>Dieses Bildformat wird nicht unterstützt.</translation>
    </message>
    <message>
        <source>This image has no pixels.</source>
        <translation>Dieses Bild hat keine Pixel.</translation>
    </message>
    <message>
        <source>Animated GIF files import the first frame only. Animation is not exported.</source>
        <translation>Von animierten GIF-Dateien wird nur das erste Bild importiert. Die Animation wird nicht exportiert.</translation>
    </message>
    <message>
        <source>The project could not be opened because it is damaged or in an unknown format.</source>
        <translation>Das Projekt konnte nicht geöffnet werden, weil es beschädigt ist oder ein unbekanntes Format hat.</translation>
    </message>
    <message>
        <source>The copied image is missing from this project.</source>
        <translation>Das kopierte Bild fehlt in diesem Projekt.</translation>
    </message>
    <message>
        <source>The project %1 could not be saved: %2.</source>
        <translation>Das Projekt %1 konnte nicht gespeichert werden: %2.</translation>
    </message>
    <message>
        <source>The project could not be saved: the location %1 is not valid.</source>
        <translation>Das Projekt konnte nicht gespeichert werden: Der Speicherort %1 ist ungültig.</translation>
    </message>
    <message>
        <source>The project %1 could not be locked for saving: %2.</source>
        <translation>Das Projekt %1 konnte zum Speichern nicht gesperrt werden: %2.</translation>
    </message>
    <message>
        <source>The project %1 is being saved by another program; it was not changed.</source>
        <translation>Das Projekt %1 wird gerade von einem anderen Programm gespeichert; es wurde nicht geändert.</translation>
    </message>
    <message>
        <source>The presentation could not be written.</source>
        <translation>Die Präsentation konnte nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>There is not enough memory to write the presentation.</source>
        <translation>Es ist nicht genug Arbeitsspeicher frei, um die Präsentation zu schreiben.</translation>
    </message>
    <message>
        <source>The export was cancelled.</source>
        <translation>Der Export wurde abgebrochen.</translation>
    </message>
    <message>
        <source>The file “%1” could not be written: %2.</source>
        <translation>Die Datei „%1“ konnte nicht geschrieben werden: %2.</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeitung</translation>
    </message>
    <message>
        <source>Import Images</source>
        <translation>Bilder importieren</translation>
    </message>
    <message>
        <source>Change Layout</source>
        <translation>Layout ändern</translation>
    </message>
    <message>
        <source>Apply Placement to All Slides</source>
        <translation>Platzierung auf alle Folien anwenden</translation>
    </message>
    <message>
        <source>Fit to Slide</source>
        <translation>An Folie anpassen</translation>
    </message>
    <message>
        <source>Sort</source>
        <translation>Sortieren</translation>
    </message>
    <message>
        <source>Delete Slide</source>
        <translation>Folie löschen</translation>
    </message>
    <message>
        <source>Delete Slides</source>
        <translation>Folien löschen</translation>
    </message>
    <message>
        <source>Duplicate Slides</source>
        <translation>Folien duplizieren</translation>
    </message>
    <message>
        <source>Rename Slide</source>
        <translation>Folie umbenennen</translation>
    </message>
    <message>
        <source>Insert Section Divider</source>
        <translation>Abschnittstrenner einfügen</translation>
    </message>
    <message>
        <source>Group Slides</source>
        <translation>Folien gruppieren</translation>
    </message>
    <message>
        <source>Ungroup Slides</source>
        <translation>Gruppierung aufheben</translation>
    </message>
    <message>
        <source>Reorder Slides</source>
        <translation>Folien umordnen</translation>
    </message>
    <message>
        <source>Add Image to Slide</source>
        <translation>Bild zur Folie hinzufügen</translation>
    </message>
    <message>
        <source>Remove Image from Slide</source>
        <translation>Bild von der Folie entfernen</translation>
    </message>
    <message>
        <source>Edit Caption</source>
        <translation>Bildunterschrift bearbeiten</translation>
    </message>
    <message>
        <source>Change Caption Size</source>
        <translation>Schriftgröße der Bildunterschrift ändern</translation>
    </message>
    <message>
        <source>Change Caption Alignment</source>
        <translation>Ausrichtung der Bildunterschrift ändern</translation>
    </message>
    <message>
        <source>Change Placement</source>
        <translation>Platzierung ändern</translation>
    </message>
    <message>
        <source>Change Scale</source>
        <translation>Skalierung ändern</translation>
    </message>
    <message>
        <source>Adjust Crop</source>
        <translation>Zuschnitt anpassen</translation>
    </message>
    <message>
        <source>Edit Notes</source>
        <translation>Notizen bearbeiten</translation>
    </message>
    <message>
        <source>Slide Size</source>
        <translation>Foliengröße</translation>
    </message>
    <message>
        <source>Background</source>
        <translation>Hintergrund</translation>
    </message>
    <message>
        <source>Background Color</source>
        <translation>Hintergrundfarbe</translation>
    </message>
    <message>
        <source>Slide Numbers</source>
        <translation>Foliennummern</translation>
    </message>
    <message>
        <source>Caption Setting</source>
        <translation>Einstellung für Bildunterschriften</translation>
    </message>
    <message>
        <source>Set Logo</source>
        <translation>Logo festlegen</translation>
    </message>
    <message>
        <source>Remove Logo</source>
        <translation>Logo entfernen</translation>
    </message>
    <message>
        <source>Building slide %1 of %2…</source>
        <translation>Folie %1 von %2 wird erstellt …</translation>
    </message>
    <message>
        <source>Writing presentation…</source>
        <translation>Präsentation wird geschrieben …</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Preparing slides…</source>
        <translation>Folien werden vorbereitet …</translation>
    </message>
    <message>
        <source>Part of this image extends outside the slide.</source>
        <translation>Ein Teil dieses Bildes ragt über die Folie hinaus.</translation>
    </message>
    <message>
        <source>Image may be blurry when presented.</source>
        <translation>Das Bild kann in der Präsentation unscharf wirken.</translation>
    </message>
    <message>
        <source>A picture on this slide is missing.</source>
        <translation>Ein Bild auf dieser Folie fehlt.</translation>
    </message>
    <message>
        <source>The title text is too long for its box.</source>
        <translation>Der Titeltext ist zu lang für sein Feld.</translation>
    </message>
    <message>
        <source>The caption text is too long for its box.</source>
        <translation>Der Text der Bildunterschrift ist zu lang für sein Feld.</translation>
    </message>
    <message>
        <source>The caption %1 text is too long for its box.</source>
        <translation>Der Text der Bildunterschrift %1 ist zu lang für sein Feld.</translation>
    </message>
    <message>
        <source>Image with title and caption</source>
        <translation>Bild mit Titel und Bildunterschrift</translation>
    </message>
    <message>
        <source>Two images</source>
        <translation>Zwei Bilder</translation>
    </message>
    <message>
        <source>Four-image grid</source>
        <translation>Raster mit vier Bildern</translation>
    </message>
    <message>
        <source>Section divider</source>
        <translation>Abschnittstrenner</translation>
    </message>
    <message>
        <source>One image</source>
        <translation>Ein Bild</translation>
    </message>
    <message>
        <source>Fill Captions from Pictures</source>
        <translation>Bildunterschriften aus Bildern übernehmen</translation>
    </message>
    <message>
        <source>Edit Alt Text</source>
        <translation>Alternativtext bearbeiten</translation>
    </message>
    <message>
        <source>Rotate Right</source>
        <translation>Nach rechts drehen</translation>
    </message>
    <message>
        <source>Rotate Left</source>
        <translation>Nach links drehen</translation>
    </message>
    <message>
        <source>Exclude Slides</source>
        <translation>Folien ausschließen</translation>
    </message>
    <message>
        <source>Include Slides</source>
        <translation>Folien einbeziehen</translation>
    </message>
    <message>
        <source>Paste Slides</source>
        <translation>Folien einfügen</translation>
    </message>
    <message>
        <source>Advance Slides</source>
        <translation>Folienwechsel</translation>
    </message>
    <message>
        <source>Transition</source>
        <translation>Übergang</translation>
    </message>
    <message>
        <source>Loop Until Esc</source>
        <translation>Wiederholen bis Esc</translation>
    </message>
    <message>
        <source>Slide Timing</source>
        <translation>Folienzeit</translation>
    </message>
    <message>
        <source>Slide Transition</source>
        <translation>Folienübergang</translation>
    </message>
    <message>
        <source>Align Camera Clocks</source>
        <translation>Kamerauhren abgleichen</translation>
    </message>
    <message>
        <source>Insert Sections at Time Gaps</source>
        <translation>Abschnitte an Zeitlücken einfügen</translation>
    </message>
    <message>
        <source>the deck’s copy of the picture %1 was changed or damaged on disk</source>
        <translation>die Kopie des Bildes %1 im Deck wurde auf dem Datenträger verändert oder beschädigt</translation>
    </message>
    <message>
        <source>the deck’s copies of the pictures %1 and %2 were changed or damaged on disk</source>
        <translation>die Kopien der Bilder %1 und %2 im Deck wurden auf dem Datenträger verändert oder beschädigt</translation>
    </message>
    <message>
        <source>the deck’s copies of the pictures %1, %2 and %3 were changed or damaged on disk</source>
        <translation>die Kopien der Bilder %1, %2 und %3 im Deck wurden auf dem Datenträger verändert oder beschädigt</translation>
    </message>
    <message>
        <source>the deck’s copies of the pictures %1, %2, %3 and %4 were changed or damaged on disk</source>
        <translation>die Kopien der Bilder %1, %2, %3 und %4 im Deck wurden auf dem Datenträger verändert oder beschädigt</translation>
    </message>
    <message>
        <source>the deck’s copies of the pictures %1, %2, %3 and %4 others were changed or damaged on disk</source>
        <translation>die Kopien der Bilder %1, %2, %3 und %4 weiterer im Deck wurden auf dem Datenträger verändert oder beschädigt</translation>
    </message>
    <message>
        <source>its picture %1 could not be read when it was opened, and saving now would remove it from the project</source>
        <translation>sein Bild %1 konnte beim Öffnen nicht gelesen werden, und Speichern würde es jetzt aus dem Projekt entfernen</translation>
    </message>
    <message>
        <source>its pictures %1 and %2 more could not be read when it was opened, and saving now would remove them from the project</source>
        <translation>seine Bilder %1 und %2 weitere konnten beim Öffnen nicht gelesen werden, und Speichern würde sie jetzt aus dem Projekt entfernen</translation>
    </message>
    <message>
        <source>could not read the picture “%1”</source>
        <translation>das Bild „%1“ konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>project file</source>
        <extracomment>What the project&apos;s file is called in &quot;In the %1, ...&quot; and &quot;The %1 ...&quot;.</extracomment>
        <translation>Projektdatei</translation>
    </message>
    <message>
        <source>default settings file</source>
        <extracomment>What the default settings&apos; file is called in &quot;In the %1, ...&quot; and &quot;The %1 ...&quot;.</extracomment>
        <translation>Datei der Standardeinstellungen</translation>
    </message>
    <message>
        <source>project</source>
        <extracomment>What is written, in &quot;The %1 could not be written.&quot; and &quot;The %2 cannot be saved ...&quot;.</extracomment>
        <translation>Projekt</translation>
    </message>
    <message>
        <source>default settings</source>
        <extracomment>What is written, in &quot;The %1 could not be written.&quot; and &quot;The %2 cannot be saved ...&quot;.</extracomment>
        <translation>Standardeinstellungen</translation>
    </message>
    <message>
        <source>the top-level value</source>
        <extracomment>Where a rule of the project file was broken, in &quot;In the project file, %2 ...&quot;.</extracomment>
        <translation>der Wert der obersten Ebene</translation>
    </message>
    <message>
        <source>&quot;%1&quot;</source>
        <extracomment>A member of the project file, such as &quot;slides[2].title&quot;.</extracomment>
        <translation>„%1“</translation>
    </message>
    <message>
        <source>In the %1, %2 must be a string.</source>
        <translation>In der %1 muss %2 eine Zeichenkette sein.</translation>
    </message>
    <message>
        <source>In the %1, %2 must be true or false.</source>
        <translation>In der %1 muss %2 true oder false sein.</translation>
    </message>
    <message>
        <source>In the %1, %2 must be a number.</source>
        <translation>In der %1 muss %2 eine Zahl sein.</translation>
    </message>
    <message>
        <source>In the %1, %2 must be a whole number within the 64-bit range.</source>
        <translation>In der %1 muss %2 eine ganze Zahl im 64-Bit-Bereich sein.</translation>
    </message>
    <message>
        <source>In the %1, %2 must be an identifier string.</source>
        <translation>In der %1 muss %2 eine Kennung als Zeichenkette sein.</translation>
    </message>
    <message>
        <source>In the %1, %2 must be an identifier of 36 hexadecimal digits and hyphens.</source>
        <translation>In der %1 muss %2 eine Kennung aus 36 Hexadezimalziffern und Bindestrichen sein.</translation>
    </message>
    <message>
        <source>In the %1, %2 must be a date string.</source>
        <translation>In der %1 muss %2 ein Datum als Zeichenkette sein.</translation>
    </message>
    <message>
        <source>In the %1, %2 must be a UTC date with whole seconds, such as 2024-05-01T12:30:00Z.</source>
        <translation>In der %1 muss %2 ein UTC-Datum mit ganzen Sekunden sein, etwa 2024-05-01T12:30:00Z.</translation>
    </message>
    <message>
        <source>In the %1, %2 is not one of the names this field allows.</source>
        <translation>In der %1 ist %2 keiner der Namen, die dieses Feld erlaubt.</translation>
    </message>
    <message>
        <source>In the %1, %2 must be an object.</source>
        <translation>In der %1 muss %2 ein Objekt sein.</translation>
    </message>
    <message>
        <source>In the %1, %2 is missing.</source>
        <translation>In der %1 fehlt %2.</translation>
    </message>
    <message>
        <source>In the %1, %2 must be an array.</source>
        <translation>In der %1 muss %2 eine Liste sein.</translation>
    </message>
    <message>
        <source>In the %1, %2 must be a date and time such as 2024-05-01T12:30:00.</source>
        <translation>In der %1 muss %2 ein Datum mit Uhrzeit sein, etwa 2024-05-01T12:30:00.</translation>
    </message>
    <message>
        <source>In the %1, %2 must lie within 14 hours of UTC.</source>
        <translation>In der %1 muss %2 höchstens 14 Stunden von UTC abweichen.</translation>
    </message>
    <message>
        <source>The %2 was written in format version %1, which this version of Mosavelle cannot read.</source>
        <translation>Die %2 wurde im Format Version %1 geschrieben, das diese Version von Mosavelle nicht lesen kann.</translation>
    </message>
    <message>
        <source>The %2 nests arrays or objects more than %1 levels deep.</source>
        <translation>Die %2 verschachtelt Listen oder Objekte tiefer als %1 Ebenen.</translation>
    </message>
    <message>
        <source>The %2 is not valid JSON text (error at byte %1).</source>
        <translation>Die %2 ist kein gültiger JSON-Text (Fehler bei Byte %1).</translation>
    </message>
    <message>
        <source>The %1 holds a number too large to read.</source>
        <translation>Die %1 enthält eine Zahl, die zu groß zum Lesen ist.</translation>
    </message>
    <message>
        <source>The %1 is too large to read.</source>
        <translation>Die %1 ist zu groß zum Lesen.</translation>
    </message>
    <message>
        <source>The %1 could not be read.</source>
        <translation>Die %1 konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The %2 cannot be saved because &quot;%1&quot; is not a finite number.</source>
        <translation>Speichern nicht möglich (%2): „%1“ ist keine endliche Zahl.</translation>
    </message>
    <message>
        <source>The %2 cannot be saved because &quot;%1&quot; lies outside the years 0 to 9999.</source>
        <translation>Speichern nicht möglich (%2): „%1“ liegt außerhalb der Jahre 0 bis 9999.</translation>
    </message>
    <message>
        <source>The %1 could not be written.</source>
        <translation>Schreiben nicht möglich: %1.</translation>
    </message>
    <message>
        <source>The presentation archive is already closed.</source>
        <translation>Das Präsentationsarchiv ist bereits geschlossen.</translation>
    </message>
    <message>
        <source>The presentation could not be written: a part name is longer than 65535 bytes.</source>
        <translation>Die Präsentation konnte nicht geschrieben werden: ein Teilname ist länger als 65535 Byte.</translation>
    </message>
    <message>
        <source>Change Language</source>
        <translation>Sprache ändern</translation>
    </message>
</context>
<context>
    <name>PicturesInPlaceAlert</name>
    <message>
        <source>Pictures could not be copied into the cache folder.</source>
        <translation>Die Bilder konnten nicht in den Zwischenspeicher-Ordner kopiert werden.</translation>
    </message>
    <message>
        <source>Until its window closes, the pictures of “%1” are read from the project itself, so leave the project where it is until then. The cause: %2.</source>
        <translation>Bis sein Fenster geschlossen wird, werden die Bilder von „%1“ direkt aus dem Projekt gelesen. Lassen Sie das Projekt bis dahin, wo es ist. Die Ursache: %2.</translation>
    </message>
</context>
<context>
    <name>PresentationLauncher</name>
    <message>
        <source>Show in Folder</source>
        <translation>Im Ordner anzeigen</translation>
    </message>
    <message>
        <source>Open in %1</source>
        <translation>In %1 öffnen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>%1 could not be opened.</source>
        <translation>%1 konnte nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>%1 could not open the presentation.</source>
        <translation>%1 konnte die Präsentation nicht öffnen.</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>One image</source>
        <translation>Ein Bild</translation>
    </message>
    <message>
        <source>Image with title and caption</source>
        <translation>Bild mit Titel und Bildunterschrift</translation>
    </message>
    <message>
        <source>Two images</source>
        <translation>Zwei Bilder</translation>
    </message>
    <message>
        <source>Four-image grid</source>
        <translation>Raster mit vier Bildern</translation>
    </message>
    <message>
        <source>Section divider</source>
        <translation>Abschnittstrenner</translation>
    </message>
    <message>
        <source>Actual</source>
        <translation>Originalgröße</translation>
    </message>
    <message>
        <source>Fit</source>
        <translation>Einpassen</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Füllen</translation>
    </message>
    <message>
        <source>75%</source>
        <translation>75 %</translation>
    </message>
    <message>
        <source>125%</source>
        <translation>125 %</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Eigene</translation>
    </message>
    <message numerus="yes">
        <source>%n day(s)</source>
        <translation>
            <numerusform>%n Tag</numerusform>
            <numerusform>%n Tage</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hour(s)</source>
        <translation>
            <numerusform>%n Stunde</numerusform>
            <numerusform>%n Stunden</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n minute(s)</source>
        <translation>
            <numerusform>%n Minute</numerusform>
            <numerusform>%n Minuten</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n second(s)</source>
        <translation>
            <numerusform>%n Sekunde</numerusform>
            <numerusform>%n Sekunden</numerusform>
        </translation>
    </message>
    <message>
        <source> (serial number %1)</source>
        <translation> (Seriennummer %1)</translation>
    </message>
    <message>
        <source>The camera clocks cannot be aligned</source>
        <translation>Die Kamerauhren können nicht abgeglichen werden</translation>
    </message>
    <message>
        <source>Select two slides whose pictures were taken at the same moment by two different cameras, each picture with its capture time.</source>
        <translation>Wählen Sie zwei Folien, deren Bilder im selben Moment von zwei verschiedenen Kameras aufgenommen wurden, jedes Bild mit seiner Aufnahmezeit.</translation>
    </message>
    <message>
        <source>Were these two pictures taken at the same moment?</source>
        <translation>Wurden diese beiden Bilder im selben Moment aufgenommen?</translation>
    </message>
    <message>
        <source>The clock of the %1 will be put forward by %2, for every picture it took.</source>
        <translation>Die Uhr der Kamera %1 wird für jedes ihrer Bilder um %2 vorgestellt.</translation>
    </message>
    <message>
        <source>The clock of the %1 will be put back by %2, for every picture it took.</source>
        <translation>Die Uhr der Kamera %1 wird für jedes ihrer Bilder um %2 zurückgestellt.</translation>
    </message>
    <message>
        <source>Align</source>
        <translation>Abgleichen</translation>
    </message>
</context>
<context>
    <name>SlideSizeOverflows</name>
    <message>
        <source>Since the slide size changed, part of a picture extends outside slide %1.</source>
        <translation>Seit die Foliengröße geändert wurde, ragt auf Folie %1 ein Teil eines Bildes über den Rand hinaus.</translation>
    </message>
    <message numerus="yes">
        <source>%1 and %n more</source>
        <comment>slide numbers</comment>
        <translation>
            <numerusform>%1 und %n weitere</numerusform>
            <numerusform>%1 und %n weitere</numerusform>
        </translation>
    </message>
    <message>
        <source>Since the slide size changed, pictures extend outside slides %1.</source>
        <translation>Seit die Foliengröße geändert wurde, ragen auf den Folien %1 Bilder über den Rand hinaus.</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::AboutWindow</name>
    <message>
        <source>About Mosavelle</source>
        <translation>Über Mosavelle</translation>
    </message>
    <message>
        <source>Mosavelle</source>
        <translation>Mosavelle</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Turn images into presentations. Opens in PowerPoint, Keynote and LibreOffice Impress.</source>
        <translation>Macht aus Bildern Präsentationen. Lassen sich in PowerPoint, Keynote und LibreOffice Impress öffnen.</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::ApplyPlacementSheet</name>
    <message>
        <source>Apply Placement to All Slides</source>
        <translation>Platzierung auf alle Folien anwenden</translation>
    </message>
    <message>
        <source>Layout, grouping, titles, captions, presenter notes, and branding are not changed.</source>
        <translation>Layout, Gruppierung, Titel, Bildunterschriften, Referentennotizen und Branding bleiben unverändert.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Anwenden</translation>
    </message>
    <message>
        <source>1 included slide that has images</source>
        <translation>1 einbezogene Folie mit Bildern</translation>
    </message>
    <message>
        <source>%1 included slides that have images</source>
        <translation>%1 einbezogene Folien mit Bildern</translation>
    </message>
    <message>
        <source>This copies %1 placement to %2. Title-only slides are skipped. On slides with more than one image, the same mode is used in each image area.</source>
        <translation>Damit wird die Platzierung „%1“ auf %2 übertragen. Folien nur mit Titel werden übersprungen. Auf Folien mit mehreren Bildern gilt derselbe Modus für jeden Bildbereich.</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::ContentView</name>
    <message>
        <source>Import Images</source>
        <translation>Bilder importieren</translation>
    </message>
    <message>
        <source>Images (%1)</source>
        <translation>Bilder (%1)</translation>
    </message>
    <message>
        <source>Import Folder</source>
        <translation>Ordner importieren</translation>
    </message>
    <message>
        <source>Unable to Add Image</source>
        <translation>Bild kann nicht hinzugefügt werden</translation>
    </message>
    <message>
        <source>A slide can have at most 4 images.</source>
        <translation>Eine Folie kann höchstens 4 Bilder enthalten.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::DeckSettingsSheet</name>
    <message>
        <source>Deck Settings</source>
        <translation>Foliensatz-Einstellungen</translation>
    </message>
    <message>
        <source>Deck</source>
        <translation>Foliensatz</translation>
    </message>
    <message>
        <source>Slide size</source>
        <translation>Foliengröße</translation>
    </message>
    <message>
        <source>Widescreen 16:9</source>
        <translation>Breitbild 16:9</translation>
    </message>
    <message>
        <source>Standard 4:3</source>
        <translation>Standard 4:3</translation>
    </message>
    <message>
        <source>Background</source>
        <translation>Hintergrund</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Weiß</translation>
    </message>
    <message>
        <source>Black</source>
        <translation>Schwarz</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Eigene</translation>
    </message>
    <message>
        <source>Custom color</source>
        <translation>Eigene Farbe</translation>
    </message>
    <message>
        <source>Order</source>
        <translation>Reihenfolge</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Manuell</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Capture date</source>
        <translation>Aufnahmedatum</translation>
    </message>
    <message>
        <source>Name, reversed</source>
        <translation>Name, umgekehrt</translation>
    </message>
    <message>
        <source>Capture date, reversed</source>
        <translation>Aufnahmedatum, umgekehrt</translation>
    </message>
    <message>
        <source>Photos without a capture date appear last.</source>
        <translation>Fotos ohne Aufnahmedatum stehen am Ende.</translation>
    </message>
    <message>
        <source>More information</source>
        <translation>Weitere Informationen</translation>
    </message>
    <message>
        <source>Mosavelle uses the date the photo was taken when that information is stored in the file. Photos without a capture date stay at the end of the deck, including when you reverse the order.</source>
        <translation>Mosavelle verwendet das Aufnahmedatum, wenn es in der Datei gespeichert ist. Fotos ohne Aufnahmedatum bleiben am Ende des Foliensatzes, auch bei umgekehrter Reihenfolge.</translation>
    </message>
    <message>
        <source>Slide numbers</source>
        <translation>Foliennummern</translation>
    </message>
    <message>
        <source>Show presenter notes</source>
        <translation>Referentennotizen anzeigen</translation>
    </message>
    <message>
        <source>Presenter notes sit under the preview. They are included when you export and are not shown on the slide.</source>
        <translation>Referentennotizen stehen unter der Vorschau. Sie werden mit exportiert und nicht auf der Folie angezeigt.</translation>
    </message>
    <message>
        <source>Use cleaned-up filenames for new captions</source>
        <translation>Bereinigte Dateinamen für neue Bildunterschriften verwenden</translation>
    </message>
    <message>
        <source>Choose Logo…</source>
        <translation>Logo auswählen …</translation>
    </message>
    <message>
        <source>Remove Logo</source>
        <translation>Logo entfernen</translation>
    </message>
    <message>
        <source>Save Current as Default</source>
        <translation>Aktuelle als Standard sichern</translation>
    </message>
    <message>
        <source>New Mosavelle documents will use these deck settings.</source>
        <translation>Neue Mosavelle-Dokumente verwenden diese Foliensatz-Einstellungen.</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Choose Logo</source>
        <translation>Logo auswählen</translation>
    </message>
    <message>
        <source>Images (*.jpg *.jpeg *.png *.gif *.bmp *.tif *.tiff *.webp *.heic *.heif)</source>
        <translation>Bilder (*.jpg *.jpeg *.png *.gif *.bmp *.tif *.tiff *.webp *.heic *.heif)</translation>
    </message>
    <message>
        <source>The logo could not be used</source>
        <translation>Das Logo konnte nicht verwendet werden</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>File name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Picture description</source>
        <translation>Bildbeschreibung</translation>
    </message>
    <message>
        <source>Picture title</source>
        <translation>Bildtitel</translation>
    </message>
    <message>
        <source>Pattern</source>
        <translation>Muster</translation>
    </message>
    <message>
        <source>Captions from</source>
        <translation>Bildunterschriften aus</translation>
    </message>
    <message>
        <source>Caption pattern</source>
        <translation>Muster für Bildunterschriften</translation>
    </message>
    <message>
        <source>Fields: {title} {description} {date} {time} {place} {keywords} {camera} {filename}</source>
        <translation>Felder: {title} {description} {date} {time} {place} {keywords} {camera} {filename}</translation>
    </message>
    <message>
        <source>Slide Show</source>
        <translation>Bildschirmpräsentation</translation>
    </message>
    <message>
        <source>Loop until Esc</source>
        <translation>Wiederholen bis Esc</translation>
    </message>
    <message>
        <source>Example: %1</source>
        <translation>Beispiel: %1</translation>
    </message>
    <message>
        <source>{date} · {description}</source>
        <extracomment>An example caption pattern; the field names in braces stay as they are.</extracomment>
        <translation>{date} · {description}</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <extracomment>A language in the list of text languages: its own name and its tag (&quot;Deutsch (de-DE)&quot;).</extracomment>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Text language</source>
        <translation>Textsprache</translation>
    </message>
    <message>
        <source>The language spelling checkers and screen readers use for the text of the slides. Type a tag such as de-CH for another one.</source>
        <translation>Die Sprache, die Rechtschreibprüfung und Bildschirmleser für den Text der Folien verwenden. Für eine andere geben Sie ein Kürzel wie de-CH ein.</translation>
    </message>
    <message>
        <source>Your language (%1)</source>
        <extracomment>The first choice of the deck&apos;s text language; %1 is a tag such as en-US.</extracomment>
        <translation>Ihre Sprache (%1)</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::DocumentHandle</name>
    <message>
        <source>untitled</source>
        <translation>Unbenannt</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::DocumentSaving</name>
    <message>
        <source>Untitled.mosavelle</source>
        <translation>Unbenannt.mosavelle</translation>
    </message>
    <message>
        <source>The document “%1” could not be saved.</source>
        <translation>Das Dokument „%1“ konnte nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The project was changed by another application.</source>
        <translation>Das Projekt wurde von einer anderen Anwendung geändert.</translation>
    </message>
    <message>
        <source>Saving replaces those changes with this window’s version of “%1”.</source>
        <translation>Beim Speichern werden diese Änderungen durch die Fassung von „%1“ in diesem Fenster ersetzt.</translation>
    </message>
    <message>
        <source>Save Anyway</source>
        <translation>Trotzdem speichern</translation>
    </message>
    <message>
        <source>Revert</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>Do you want to revert to the most recently saved version of the document “%1”?</source>
        <translation>Möchten Sie das Dokument „%1“ auf die zuletzt gespeicherte Version zurücksetzen?</translation>
    </message>
    <message>
        <source>Your current changes will be lost.</source>
        <translation>Ihre aktuellen Änderungen gehen dabei verloren.</translation>
    </message>
    <message>
        <source>The document “%1” could not be reverted.</source>
        <translation>Das Dokument „%1“ konnte nicht zurückgesetzt werden.</translation>
    </message>
    <message>
        <source>Do you want to save the changes made to the document “%1”?</source>
        <translation>Möchten Sie die Änderungen am Dokument „%1“ speichern?</translation>
    </message>
    <message>
        <source>Your changes will be lost if you don’t save them.</source>
        <translation>Ihre Änderungen gehen verloren, wenn Sie sie nicht speichern.</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Don’t Save</source>
        <translation>Nicht speichern</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::DocumentWindow</name>
    <message>
        <source>%1[*] — Mosavelle</source>
        <translation>%1[*] – Mosavelle</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::ExportFlow</name>
    <message>
        <source>unknown error</source>
        <translation>unbekannter Fehler</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>Some images could not be used</source>
        <translation>Einige Bilder konnten nicht verwendet werden</translation>
    </message>
    <message>
        <source>Export Without Them</source>
        <translation>Ohne sie exportieren</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Export Presentation</source>
        <translation>Präsentation exportieren</translation>
    </message>
    <message>
        <source>PowerPoint Presentation (*.pptx)</source>
        <translation>PowerPoint-Präsentation (*.pptx)</translation>
    </message>
    <message>
        <source>Could not export the presentation</source>
        <translation>Die Präsentation konnte nicht exportiert werden</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Presentation ready</source>
        <translation>Präsentation fertig</translation>
    </message>
    <message>
        <source>Could not open in %1</source>
        <translation>Öffnen in %1 nicht möglich</translation>
    </message>
    <message>
        <source>The presentation was still saved as %1.</source>
        <translation>Die Präsentation wurde trotzdem als %1 gespeichert.</translation>
    </message>
    <message>
        <source>Cancel the export?</source>
        <translation>Export abbrechen?</translation>
    </message>
    <message>
        <source>The presentation is still being exported. Closing the window cancels the export.</source>
        <translation>Die Präsentation wird noch exportiert. Wenn Sie das Fenster schließen, wird der Export abgebrochen.</translation>
    </message>
    <message>
        <source>Cancel Export</source>
        <translation>Export abbrechen</translation>
    </message>
    <message>
        <source>Keep Exporting</source>
        <translation>Weiter exportieren</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::ExportProgressPanel</name>
    <message>
        <source>Export Presentation</source>
        <translation>Präsentation exportieren</translation>
    </message>
    <message>
        <source>Exporting Presentation</source>
        <translation>Präsentation wird exportiert</translation>
    </message>
    <message>
        <source>Export progress</source>
        <translation>Exportfortschritt</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>%1 percent</source>
        <translation>%1 Prozent</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::ExportSheet</name>
    <message>
        <source>Best Quality</source>
        <translation>Beste Qualität</translation>
    </message>
    <message>
        <source>Preserves image quality. Creates larger files.</source>
        <translation>Erhält die Bildqualität. Erzeugt größere Dateien.</translation>
    </message>
    <message>
        <source>Balanced</source>
        <translation>Ausgewogen</translation>
    </message>
    <message>
        <source>Balances image quality and file size.</source>
        <translation>Wägt Bildqualität und Dateigröße ab.</translation>
    </message>
    <message>
        <source>Small File</source>
        <translation>Kleine Datei</translation>
    </message>
    <message>
        <source>Creates a smaller file for sharing.</source>
        <translation>Erzeugt eine kleinere Datei zum Weitergeben.</translation>
    </message>
    <message>
        <source>Export Presentation</source>
        <translation>Präsentation exportieren</translation>
    </message>
    <message>
        <source>Format: PowerPoint (.pptx)</source>
        <translation>Format: PowerPoint (.pptx)</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualität</translation>
    </message>
    <message>
        <source>Export quality</source>
        <translation>Exportqualität</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>Etwa %1</translation>
    </message>
    <message>
        <source>Estimated file size, %1</source>
        <translation>Geschätzte Dateigröße: %1</translation>
    </message>
    <message>
        <source>Format, PowerPoint (.pptx). Opens in PowerPoint, Keynote and LibreOffice Impress.</source>
        <translation>Format: PowerPoint (.pptx). Lässt sich in PowerPoint, Keynote und LibreOffice Impress öffnen.</translation>
    </message>
    <message>
        <source>Opens in PowerPoint, Keynote and LibreOffice Impress.</source>
        <translation>Lässt sich in PowerPoint, Keynote und LibreOffice Impress öffnen.</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::FullScreenSlidePreview</name>
    <message>
        <source>Full screen slide preview</source>
        <translation>Folienvorschau im Vollbild</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Closes the full screen slide preview.</source>
        <translation>Schließt die Folienvorschau im Vollbild.</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::HelpView</name>
    <message>
        <source>Import</source>
        <translation>Importieren</translation>
    </message>
    <message>
        <source>Choose Import, drop images or a folder onto the window, or paste pictures. Each image can become a slide. Mosavelle copies files into the project so the deck stays together. Animated GIFs use the first frame only.</source>
        <translation>Wählen Sie „Importieren“, ziehen Sie Bilder oder einen Ordner auf das Fenster oder fügen Sie Bilder ein. Aus jedem Bild kann eine Folie werden. Mosavelle kopiert die Dateien in das Projekt, damit der Foliensatz beisammen bleibt. Von animierten GIFs wird nur das erste Bild verwendet.</translation>
    </message>
    <message>
        <source>Sidebar</source>
        <translation>Seitenleiste</translation>
    </message>
    <message>
        <source>Layouts</source>
        <translation>Layouts</translation>
    </message>
    <message>
        <source>Placement</source>
        <translation>Platzierung</translation>
    </message>
    <message>
        <source>Fit shows the whole image in the layout’s image area. Fill covers that area and crops the extra; drag the preview to choose the crop. Custom sets size with the scale slider. Apply Placement to All Slides copies the current choice to other slides that have images.</source>
        <translation>„Einpassen“ zeigt das ganze Bild im Bildbereich des Layouts. „Füllen“ deckt diesen Bereich ganz ab und schneidet den Überstand ab; ziehen Sie in der Vorschau, um den Ausschnitt zu wählen. „Eigene“ legt die Größe mit dem Skalierungsregler fest. „Platzierung auf alle Folien anwenden“ überträgt die aktuelle Wahl auf die anderen Folien mit Bildern.</translation>
    </message>
    <message>
        <source>Captions and Notes</source>
        <translation>Bildunterschriften und Notizen</translation>
    </message>
    <message>
        <source>Captions appear on the slide. You can change their size and alignment in the inspector. Presenter notes sit under the preview. Turn them on in Deck Settings. They are included when you export and are not shown on the slide.</source>
        <translation>Bildunterschriften erscheinen auf der Folie. Größe und Ausrichtung ändern Sie im Inspektor. Referentennotizen stehen unter der Vorschau; Sie schalten sie in den Foliensatz-Einstellungen ein. Sie werden mit exportiert und nicht auf der Folie angezeigt.</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>The center of the window shows the selected slide. Use Fit to Window or zoom in and out. Preview Full Screen shows the slide on a black screen; press Escape or click Close to return.</source>
        <translation>Die Fenstermitte zeigt die ausgewählte Folie. Verwenden Sie „An Fenster anpassen“ oder vergrößern und verkleinern Sie die Ansicht. „Vollbildvorschau“ zeigt die Folie auf schwarzem Hintergrund; mit Esc oder „Schließen“ kehren Sie zurück.</translation>
    </message>
    <message>
        <source>Save and Export</source>
        <translation>Speichern und Exportieren</translation>
    </message>
    <message>
        <source>%1 saves the Mosavelle project (.mosavelle) so you can come back later. That is not the presentation. File → Export Presentation… creates a PowerPoint (.pptx) file. Deck Settings changes slide size, background, order, slide numbers, presenter notes, and logo for this deck.</source>
        <translation>%1 speichert das Mosavelle-Projekt (.mosavelle), damit Sie später daran weiterarbeiten können. Das ist nicht die Präsentation. Datei → Präsentation exportieren … erstellt eine PowerPoint-Datei (.pptx). In den Foliensatz-Einstellungen ändern Sie Foliengröße, Hintergrund, Reihenfolge, Foliennummern, Referentennotizen und Logo dieses Foliensatzes.</translation>
    </message>
    <message>
        <source>Save project</source>
        <translation>Projekt speichern</translation>
    </message>
    <message>
        <source>Export Presentation</source>
        <translation>Präsentation exportieren</translation>
    </message>
    <message>
        <source>Rename Slide</source>
        <translation>Folie umbenennen</translation>
    </message>
    <message>
        <source>Duplicate Slides</source>
        <translation>Folien duplizieren</translation>
    </message>
    <message>
        <source>Paste Images</source>
        <translation>Bilder einfügen</translation>
    </message>
    <message>
        <source>Move slide up or down</source>
        <translation>Folie nach oben oder unten verschieben</translation>
    </message>
    <message>
        <source>Select previous or next slide</source>
        <translation>Vorherige oder nächste Folie auswählen</translation>
    </message>
    <message>
        <source>Arrow keys</source>
        <translation>Pfeiltasten</translation>
    </message>
    <message>
        <source>Delete selected slides</source>
        <translation>Ausgewählte Folien löschen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Fit preview to window</source>
        <translation>Vorschau an Fenster anpassen</translation>
    </message>
    <message>
        <source>Zoom out or in</source>
        <translation>Verkleinern oder vergrößern</translation>
    </message>
    <message>
        <source>Close full screen preview</source>
        <translation>Vollbildvorschau schließen</translation>
    </message>
    <message>
        <source>Mosavelle Help</source>
        <translation>Mosavelle-Hilfe</translation>
    </message>
    <message>
        <source>Keyboard</source>
        <translation>Tastatur</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Mosavelle turns pictures into a presentation. Arrange slides here, then export a PowerPoint (.pptx) file. Opens in PowerPoint, Keynote and LibreOffice Impress.</source>
        <translation>Mosavelle macht aus Bildern eine Präsentation. Ordnen Sie hier die Folien an und exportieren Sie dann eine PowerPoint-Datei (.pptx). Sie lässt sich in PowerPoint, Keynote und LibreOffice Impress öffnen.</translation>
    </message>
    <message>
        <source>Click a slide to select it. Drag to reorder. Right-click a thumbnail to Rename or Delete. Alt-click a thumbnail, or right-click it and choose Add Image to Current Slide, to add that image to the current slide (up to four images on a slide). Many Linux desktops (GNOME, KDE, Xfce) use Alt-click to move windows; the menu commands do the same without it. Edit → Cut, Copy and Paste move whole slides with their pictures, also between windows.</source>
        <translation>Klicken Sie auf eine Folie, um sie auszuwählen. Ziehen Sie, um die Reihenfolge zu ändern. Mit einem Rechtsklick auf eine Miniatur können Sie umbenennen oder löschen. Mit Alt-Klick auf eine Miniatur – oder Rechtsklick und „Bild zur aktuellen Folie hinzufügen“ – kommt ihr Bild auf die aktuelle Folie (bis zu vier Bilder pro Folie). Viele Linux-Arbeitsumgebungen (GNOME, KDE, Xfce) verschieben mit Alt-Klick Fenster; die Menübefehle tun dasselbe ohne ihn. Bearbeiten → Ausschneiden, Kopieren und Einfügen verschieben ganze Folien samt Bildern, auch zwischen Fenstern.</translation>
    </message>
    <message>
        <source>Use the inspector to choose One image, Image with title and caption, Two images, or Four-image grid. Slides → Insert Section Divider adds a title-only slide after the selection, Insert Section Divider Before one before it. Group selected slides as two-up or four-up, or split a grouped slide back into single images. Alt-click an image on the preview, right-click it, or use Slides → Remove Image from Slide to pull it onto its own slide. Slides → Exclude from Export leaves slides out of the exported file; Rotate Left and Rotate Right turn their pictures.</source>
        <translation>Wählen Sie im Inspektor „Ein Bild“, „Bild mit Titel und Bildunterschrift“, „Zwei Bilder“ oder „Raster mit vier Bildern“. Folien → Abschnittstrenner einfügen fügt nach der Auswahl eine Folie nur mit Titel ein, „Abschnittstrenner davor einfügen“ eine davor. Gruppieren Sie ausgewählte Folien zu zweit oder zu viert oder teilen Sie eine gruppierte Folie wieder in Einzelbilder auf. Mit Alt-Klick oder Rechtsklick auf ein Bild in der Vorschau oder mit Folien → Bild von der Folie entfernen bekommt es eine eigene Folie. Folien → Vom Export ausschließen lässt Folien in der exportierten Datei weg; „Nach links drehen“ und „Nach rechts drehen“ drehen ihre Bilder.</translation>
    </message>
    <message>
        <source>Cut, copy or paste slides</source>
        <translation>Folien ausschneiden, kopieren oder einfügen</translation>
    </message>
    <message>
        <source>Select all slides</source>
        <translation>Alle Folien auswählen</translation>
    </message>
    <message>
        <source>Preview full screen</source>
        <translation>Vollbildvorschau</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::ImportFlow</name>
    <message>
        <source>Include subfolders?</source>
        <translation>Unterordner einbeziehen?</translation>
    </message>
    <message>
        <source>Choose whether images in nested folders should be added, in name order.</source>
        <translation>Wählen Sie, ob auch Bilder in Unterordnern hinzugefügt werden sollen, nach Namen sortiert.</translation>
    </message>
    <message>
        <source>This Folder Only</source>
        <translation>Nur diesen Ordner</translation>
    </message>
    <message>
        <source>Include Subfolders</source>
        <translation>Unterordner einbeziehen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Import Images</source>
        <translation>Bilder importieren</translation>
    </message>
    <message>
        <source>Reading image %1 of %2…</source>
        <translation>Bild %1 von %2 wird gelesen …</translation>
    </message>
    <message>
        <source>Duplicate images</source>
        <translation>Doppelte Bilder</translation>
    </message>
    <message>
        <source>Exact copies were found. Mosavelle never removes files on its own.</source>
        <translation>Es wurden exakte Kopien gefunden. Mosavelle entfernt nie von sich aus Dateien.</translation>
    </message>
    <message>
        <source>Skip Duplicates</source>
        <translation>Duplikate überspringen</translation>
    </message>
    <message>
        <source>Keep Duplicates</source>
        <translation>Duplikate behalten</translation>
    </message>
    <message>
        <source>Import notes</source>
        <translation>Hinweise zum Import</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>The dropped picture could not be read, so nothing was added.</source>
        <translation>Das abgelegte Bild konnte nicht gelesen werden; es wurde nichts hinzugefügt.</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::InspectorView</name>
    <message>
        <source>Inspector</source>
        <translation>Inspektor</translation>
    </message>
    <message>
        <source>Layout</source>
        <translation>Layout</translation>
    </message>
    <message>
        <source>The title is too long for its box on the exported slide.</source>
        <translation>Der Titel ist für sein Feld auf der exportierten Folie zu lang.</translation>
    </message>
    <message>
        <source>Captions</source>
        <translation>Bildunterschriften</translation>
    </message>
    <message>
        <source>Caption size</source>
        <translation>Größe der Bildunterschrift</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Links</translation>
    </message>
    <message>
        <source>Center</source>
        <translation>Mitte</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Rechts</translation>
    </message>
    <message>
        <source>Caption alignment</source>
        <translation>Ausrichtung der Bildunterschrift</translation>
    </message>
    <message>
        <source>Alignment</source>
        <translation>Ausrichtung</translation>
    </message>
    <message>
        <source>Placement</source>
        <translation>Platzierung</translation>
    </message>
    <message>
        <source>Fit</source>
        <translation>Einpassen</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Füllen</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Eigene</translation>
    </message>
    <message>
        <source>Scale</source>
        <translation>Skalierung</translation>
    </message>
    <message>
        <source>Placement warnings</source>
        <translation>Hinweise zur Platzierung</translation>
    </message>
    <message>
        <source>Apply Placement to All Slides…</source>
        <translation>Platzierung auf alle Folien anwenden …</translation>
    </message>
    <message>
        <source>Copy this placement mode to every included slide that has images.</source>
        <translation>Diese Platzierung auf jede einbezogene Folie mit Bildern übertragen.</translation>
    </message>
    <message>
        <source>Selected Slides</source>
        <translation>Ausgewählte Folien</translation>
    </message>
    <message>
        <source>Selected Slide</source>
        <translation>Ausgewählte Folie</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Slide Name</source>
        <translation>Folienname</translation>
    </message>
    <message>
        <source>Slide name</source>
        <translation>Folienname</translation>
    </message>
    <message>
        <source>Add caption</source>
        <translation>Bildunterschrift hinzufügen</translation>
    </message>
    <message>
        <source>This caption is too long for its box on the exported slide.</source>
        <translation>Diese Bildunterschrift ist für ihr Feld auf der exportierten Folie zu lang.</translation>
    </message>
    <message>
        <source>Caption</source>
        <translation>Bildunterschrift</translation>
    </message>
    <message>
        <source>Fit to Slide</source>
        <translation>An Folie anpassen</translation>
    </message>
    <message>
        <source>Fit the image into the layout’s available image area.</source>
        <translation>Das Bild in den verfügbaren Bildbereich des Layouts einpassen.</translation>
    </message>
    <message>
        <source>Image may be blurry when presented.</source>
        <translation>Das Bild kann in der Präsentation unscharf wirken.</translation>
    </message>
    <message>
        <source>A picture on this slide is missing.</source>
        <translation>Ein Bild auf dieser Folie fehlt.</translation>
    </message>
    <message>
        <source>%1 pt</source>
        <translation>%1 pt</translation>
    </message>
    <message>
        <source>%1 points</source>
        <translation>%1 Punkt</translation>
    </message>
    <message>
        <source>%1%</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <source>%1 percent</source>
        <translation>%1 Prozent</translation>
    </message>
    <message>
        <source>Caption %1</source>
        <translation>Bildunterschrift %1</translation>
    </message>
    <message>
        <source>Caption %1 for %2</source>
        <translation>Bildunterschrift %1 für %2</translation>
    </message>
    <message>
        <source>Caption for %1</source>
        <translation>Bildunterschrift für %1</translation>
    </message>
    <message>
        <source>Slide Show</source>
        <translation>Bildschirmpräsentation</translation>
    </message>
    <message>
        <source>Alt text</source>
        <translation>Alternativtext</translation>
    </message>
    <message>
        <source>Alt text for %1</source>
        <translation>Alternativtext für %1</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::MosavelleApp</name>
    <message>
        <source>The document “%1” could not be opened.</source>
        <translation>Das Dokument „%1“ konnte nicht geöffnet werden.</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::NavigatorView</name>
    <message>
        <source>Slides</source>
        <translation>Folien</translation>
    </message>
    <message>
        <source>Your slides will appear here.</source>
        <translation>Hier erscheinen Ihre Folien.</translation>
    </message>
    <message>
        <source>Slides. Your slides will appear here.</source>
        <translation>Folien. Hier erscheinen Ihre Folien.</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::NotesResizeHandle</name>
    <message>
        <source>Resize presenter notes</source>
        <translation>Größe der Referentennotizen ändern</translation>
    </message>
    <message>
        <source>Drag to resize presenter notes</source>
        <translation>Ziehen, um die Größe der Referentennotizen zu ändern</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::PackageFileDialog</name>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Project:</source>
        <translation>Projekt:</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Save As:</source>
        <translation>Speichern unter:</translation>
    </message>
    <message>
        <source>Format:</source>
        <translation>Format:</translation>
    </message>
    <message>
        <source>Mosavelle Project (*.mosavelle)</source>
        <translation>Mosavelle-Projekt (*.mosavelle)</translation>
    </message>
    <message>
        <source>“%1” already exists. Do you want to replace it?</source>
        <translation>„%1“ ist bereits vorhanden. Möchten Sie es ersetzen?</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Ersetzen</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::PresenterNotesPane</name>
    <message>
        <source>Presenter notes</source>
        <translation>Referentennotizen</translation>
    </message>
    <message>
        <source>Add presenter notes…</source>
        <translation>Referentennotizen hinzufügen …</translation>
    </message>
    <message>
        <source>Separate from slide content. Hiding this pane does not delete notes.</source>
        <translation>Getrennt vom Folieninhalt. Das Ausblenden dieses Bereichs löscht keine Notizen.</translation>
    </message>
    <message>
        <source>These notes are longer than %1, so only their beginning is shown and they cannot be edited here. They are kept as they are.</source>
        <translation>Diese Notizen sind länger als %1. Deshalb wird nur ihr Anfang angezeigt, und sie können hier nicht bearbeitet werden. Sie bleiben unverändert erhalten.</translation>
    </message>
    <message>
        <source>Presenter notes can hold at most %1 of text, so this change was not made.</source>
        <translation>Referentennotizen können höchstens %1 Text enthalten, deshalb wurde diese Änderung nicht vorgenommen.</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::PreviewWorkspace</name>
    <message>
        <source>Preview Full Screen</source>
        <translation>Vollbildvorschau</translation>
    </message>
    <message>
        <source>Opens a full screen preview of the current slide. Press Escape or click Close to exit.</source>
        <translation>Öffnet eine Vollbildvorschau der aktuellen Folie. Mit Esc oder „Schließen“ beenden.</translation>
    </message>
    <message>
        <source>Preview this slide at full screen. Press Escape or click Close to exit.</source>
        <translation>Diese Folie im Vollbild ansehen. Mit Esc oder „Schließen“ beenden.</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::PreviewZoomBar</name>
    <message>
        <source>Preview zoom</source>
        <translation>Zoom der Vorschau</translation>
    </message>
    <message>
        <source>Fit to Window</source>
        <translation>An Fenster anpassen</translation>
    </message>
    <message>
        <source>Scale the preview to the available window. Does not change image placement or export size.</source>
        <translation>Die Vorschau an das verfügbare Fenster anpassen. Ändert weder die Bildplatzierung noch die Exportgröße.</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>Zoom Out</source>
        <translation>Verkleinern</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Verkleinern</translation>
    </message>
    <message>
        <source>Zoom In</source>
        <translation>Vergrößern</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Vergrößern</translation>
    </message>
    <message>
        <source>Fit · %1%</source>
        <translation>Einpassen · %1 %</translation>
    </message>
    <message>
        <source>%1%</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <source>Fit to Window, %1 percent</source>
        <translation>An Fenster anpassen, %1 Prozent</translation>
    </message>
    <message>
        <source>%1 percent</source>
        <translation>%1 Prozent</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::RecoveryDialog</name>
    <message>
        <source>Recover Unsaved Work</source>
        <translation>Nicht gespeicherte Arbeit wiederherstellen</translation>
    </message>
    <message>
        <source>Mosavelle ended before these documents were saved. Recover them now, discard them, or decide at the next start.</source>
        <translation>Mosavelle wurde beendet, bevor diese Dokumente gespeichert wurden. Stellen Sie sie jetzt wieder her, verwerfen Sie sie, oder entscheiden Sie beim nächsten Start.</translation>
    </message>
    <message>
        <source>Unsaved documents</source>
        <translation>Nicht gespeicherte Dokumente</translation>
    </message>
    <message>
        <source>Document</source>
        <translation>Dokument</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Speicherort</translation>
    </message>
    <message>
        <source>Copy written</source>
        <translation>Kopie geschrieben</translation>
    </message>
    <message>
        <source>Cannot be read</source>
        <translation>Nicht lesbar</translation>
    </message>
    <message>
        <source>Never saved</source>
        <translation>Nie gespeichert</translation>
    </message>
    <message>
        <source>Recover</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Verwerfen</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Später</translation>
    </message>
    <message>
        <source>The recovery copy of “%1” could not be read.</source>
        <translation>Die Wiederherstellungskopie von „%1“ konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>In use</source>
        <translation>In Verwendung</translation>
    </message>
    <message>
        <source>The recovery copy of “%1” is in use by another program.</source>
        <translation>Die Wiederherstellungskopie von „%1“ wird von einem anderen Programm verwendet.</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::SelectSlidePlaceholder</name>
    <message>
        <source>Select a slide</source>
        <translation>Wählen Sie eine Folie aus</translation>
    </message>
    <message>
        <source>Choose a slide in the sidebar to preview it.</source>
        <translation>Wählen Sie in der Seitenleiste eine Folie aus, um sie in der Vorschau zu sehen.</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::ShowControls</name>
    <message>
        <source>Advance slides</source>
        <translation>Folienwechsel</translation>
    </message>
    <message>
        <source>Deck setting</source>
        <translation>Einstellung der Präsentation</translation>
    </message>
    <message>
        <source>Manually</source>
        <translation>Manuell</translation>
    </message>
    <message>
        <source>After</source>
        <translation>Nach</translation>
    </message>
    <message>
        <source>Seconds</source>
        <translation>Sekunden</translation>
    </message>
    <message>
        <source>seconds</source>
        <translation>Sekunden</translation>
    </message>
    <message>
        <source>Transition</source>
        <translation>Übergang</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>Fade</source>
        <translation>Überblenden</translation>
    </message>
    <message>
        <source>Push</source>
        <translation>Schieben</translation>
    </message>
    <message>
        <source>Wipe</source>
        <translation>Wischen</translation>
    </message>
    <message>
        <source>Cover</source>
        <translation>Überdecken</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Geschwindigkeit</translation>
    </message>
    <message>
        <source>Fast</source>
        <translation>Schnell</translation>
    </message>
    <message>
        <source>Medium</source>
        <translation>Mittel</translation>
    </message>
    <message>
        <source>Slow</source>
        <translation>Langsam</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::SlideDelegate</name>
    <message>
        <source>Section</source>
        <translation>Abschnitt</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>Excluded</source>
        <translation>Ausgeschlossen</translation>
    </message>
    <message>
        <source>Slide name</source>
        <translation>Folienname</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::SlideListModel</name>
    <message>
        <source>Slide %1, %2</source>
        <translation>Folie %1, %2</translation>
    </message>
    <message>
        <source>Drag to reorder. Right-click to rename or delete. Alt-click to add this image to the current slide.</source>
        <translation>Ziehen, um die Reihenfolge zu ändern. Rechtsklick zum Umbenennen oder Löschen. Alt-Klick fügt dieses Bild zur aktuellen Folie hinzu.</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::SlideListView</name>
    <message>
        <source>Slides</source>
        <translation>Folien</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::SlidePreviewView</name>
    <message>
        <source>Alt-click to remove this image from the slide</source>
        <translation>Alt-Klick entfernt dieses Bild von der Folie</translation>
    </message>
    <message>
        <source>Missing image</source>
        <translation>Fehlendes Bild</translation>
    </message>
    <message>
        <source>Image %1</source>
        <translation>Bild %1</translation>
    </message>
    <message>
        <source>Logo</source>
        <translation>Logo</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>Slide %1</source>
        <translation>Folie %1</translation>
    </message>
    <message>
        <source>Image %1, %2</source>
        <translation>Bild %1, %2</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::TimeGapSheet</name>
    <message>
        <source>Insert Sections at Time Gaps</source>
        <translation>Abschnitte an Zeitlücken einfügen</translation>
    </message>
    <message>
        <source>Sorts the slides by capture date and puts a section divider, titled with its date, before each part of the deck.</source>
        <translation>Sortiert die Folien nach Aufnahmedatum und setzt vor jeden Teil der Präsentation einen Abschnittstrenner mit dessen Datum als Titel.</translation>
    </message>
    <message>
        <source>Where pictures are more than</source>
        <translation>Wo Bilder mehr als</translation>
    </message>
    <message>
        <source>Hours</source>
        <translation>Stunden</translation>
    </message>
    <message>
        <source>hours apart</source>
        <translation>Stunden auseinanderliegen</translation>
    </message>
    <message>
        <source>At each new day</source>
        <translation>An jedem neuen Tag</translation>
    </message>
    <message>
        <source>Insert Sections</source>
        <translation>Abschnitte einfügen</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::WelcomeCanvas</name>
    <message>
        <source>Turn images into presentations for PowerPoint and Keynote</source>
        <translation>Machen Sie aus Bildern Präsentationen für PowerPoint und Keynote</translation>
    </message>
    <message>
        <source>Drop images or a folder here to get started.</source>
        <translation>Ziehen Sie Bilder oder einen Ordner hierher, um zu beginnen.</translation>
    </message>
    <message>
        <source>Import Images…</source>
        <translation>Bilder importieren …</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::WelcomeSheet</name>
    <message>
        <source>Welcome to Mosavelle</source>
        <translation>Willkommen bei Mosavelle</translation>
    </message>
    <message>
        <source>Bring in your pictures</source>
        <translation>Bilder hinzufügen</translation>
    </message>
    <message>
        <source>Choose Import Images…, or drop pictures or a whole folder onto the window. Each picture becomes a slide, and Mosavelle keeps its own copy in the project.</source>
        <translation>Wählen Sie „Bilder importieren …“ oder ziehen Sie Bilder oder einen ganzen Ordner auf das Fenster. Aus jedem Bild wird eine Folie, und Mosavelle bewahrt eine eigene Kopie im Projekt auf.</translation>
    </message>
    <message>
        <source>Arrange the deck</source>
        <translation>Foliensatz anordnen</translation>
    </message>
    <message>
        <source>Reorder slides in the sidebar, group them two or four to a slide, and set layout, placement, titles and captions in the inspector.</source>
        <translation>Ordnen Sie die Folien in der Seitenleiste an, gruppieren Sie sie zu zweit oder zu viert auf einer Folie und legen Sie Layout, Platzierung, Titel und Bildunterschriften im Inspektor fest.</translation>
    </message>
    <message>
        <source>Save and export</source>
        <translation>Speichern und exportieren</translation>
    </message>
    <message>
        <source>%1 saves the project so you can come back to it. File → Export Presentation… makes the PowerPoint (.pptx) file to show.</source>
        <translation>%1 speichert das Projekt, damit Sie später weiterarbeiten können. Datei → Präsentation exportieren … erstellt die PowerPoint-Datei (.pptx) zum Vorführen.</translation>
    </message>
    <message>
        <source>Import Images…</source>
        <translation>Bilder importieren …</translation>
    </message>
    <message>
        <source>Get Started</source>
        <translation>Los geht’s</translation>
    </message>
    <message>
        <source>Turn images into presentations. Opens in PowerPoint, Keynote and LibreOffice Impress.</source>
        <translation>Macht aus Bildern Präsentationen. Lassen sich in PowerPoint, Keynote und LibreOffice Impress öffnen.</translation>
    </message>
</context>
<context>
    <name>mosavelle::app::WindowActions</name>
    <message>
        <source>New</source>
        <translation>Neu</translation>
    </message>
    <message>
        <source>Open…</source>
        <translation>Öffnen …</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Save As…</source>
        <translation>Speichern unter …</translation>
    </message>
    <message>
        <source>Revert to Saved</source>
        <translation>Auf gespeicherte Version zurücksetzen</translation>
    </message>
    <message>
        <source>Import Images…</source>
        <translation>Bilder importieren …</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importieren</translation>
    </message>
    <message>
        <source>Import Folder…</source>
        <translation>Ordner importieren …</translation>
    </message>
    <message>
        <source>Export Presentation…</source>
        <translation>Präsentation exportieren …</translation>
    </message>
    <message>
        <source>Deck Settings…</source>
        <translation>Foliensatz-Einstellungen …</translation>
    </message>
    <message>
        <source>Deck Settings</source>
        <translation>Foliensatz-Einstellungen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>Ausschneiden</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alles auswählen</translation>
    </message>
    <message>
        <source>Paste Images</source>
        <translation>Bilder einfügen</translation>
    </message>
    <message>
        <source>Duplicate Slides</source>
        <translation>Folien duplizieren</translation>
    </message>
    <message>
        <source>Rename Slide</source>
        <translation>Folie umbenennen</translation>
    </message>
    <message>
        <source>Insert Section Divider</source>
        <translation>Abschnittstrenner einfügen</translation>
    </message>
    <message>
        <source>Adds a section divider slide after the current selection. Later slides numbered Slide 1, Slide 2, and so on are updated.</source>
        <translation>Fügt nach der aktuellen Auswahl eine Abschnittstrenner-Folie ein. Nachfolgende Folien mit Namen wie „Slide 1“, „Slide 2“ usw. werden neu nummeriert.</translation>
    </message>
    <message>
        <source>Group as Two-Up</source>
        <translation>Zu zweit gruppieren</translation>
    </message>
    <message>
        <source>Group as Four-Up</source>
        <translation>Zu viert gruppieren</translation>
    </message>
    <message>
        <source>Split into Single Images</source>
        <translation>In Einzelbilder aufteilen</translation>
    </message>
    <message>
        <source>Select Previous Slide</source>
        <translation>Vorherige Folie auswählen</translation>
    </message>
    <message>
        <source>Use the arrow keys to select the previous slide.</source>
        <translation>Mit den Pfeiltasten die vorherige Folie auswählen.</translation>
    </message>
    <message>
        <source>Select Next Slide</source>
        <translation>Nächste Folie auswählen</translation>
    </message>
    <message>
        <source>Use the arrow keys to select the next slide.</source>
        <translation>Mit den Pfeiltasten die nächste Folie auswählen.</translation>
    </message>
    <message>
        <source>Move Up</source>
        <translation>Nach oben verschieben</translation>
    </message>
    <message>
        <source>Move the selected slides up. Arrow keys change which slide is selected.</source>
        <translation>Die ausgewählten Folien nach oben verschieben. Die Pfeiltasten ändern, welche Folie ausgewählt ist.</translation>
    </message>
    <message>
        <source>Move Down</source>
        <translation>Nach unten verschieben</translation>
    </message>
    <message>
        <source>Move the selected slides down. Left and right arrows change which slide is selected.</source>
        <translation>Die ausgewählten Folien nach unten verschieben. Die Pfeiltasten nach links und rechts ändern, welche Folie ausgewählt ist.</translation>
    </message>
    <message>
        <source>Show Inspector</source>
        <translation>Inspektor anzeigen</translation>
    </message>
    <message>
        <source>Inspector</source>
        <translation>Inspektor</translation>
    </message>
    <message>
        <source>Slides as List</source>
        <translation>Folien als Liste</translation>
    </message>
    <message>
        <source>Slides as Grid</source>
        <translation>Folien als Raster</translation>
    </message>
    <message>
        <source>Fit to Window</source>
        <translation>An Fenster anpassen</translation>
    </message>
    <message>
        <source>Zoom In</source>
        <translation>Vergrößern</translation>
    </message>
    <message>
        <source>Zoom Out</source>
        <translation>Verkleinern</translation>
    </message>
    <message>
        <source>Preview Full Screen</source>
        <translation>Vollbildvorschau</translation>
    </message>
    <message>
        <source>Mosavelle Help</source>
        <translation>Mosavelle-Hilfe</translation>
    </message>
    <message>
        <source>Welcome to Mosavelle</source>
        <translation>Willkommen bei Mosavelle</translation>
    </message>
    <message>
        <source>About Mosavelle</source>
        <translation>Über Mosavelle</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Open Recent</source>
        <translation>Zuletzt geöffnet</translation>
    </message>
    <message>
        <source>Clear Menu</source>
        <translation>Liste leeren</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Slides</source>
        <translation>&amp;Folien</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>Import images</source>
        <translation>Bilder importieren</translation>
    </message>
    <message>
        <source>Import images or a folder</source>
        <translation>Bilder oder einen Ordner importieren</translation>
    </message>
    <message>
        <source>Change slide size, background, order, and other settings for this deck.</source>
        <translation>Foliengröße, Hintergrund, Reihenfolge und weitere Einstellungen dieses Foliensatzes ändern.</translation>
    </message>
    <message>
        <source>Undo %1</source>
        <translation>%1 rückgängig machen</translation>
    </message>
    <message>
        <source>Redo %1</source>
        <translation>%1 wiederherstellen</translation>
    </message>
    <message>
        <source>List</source>
        <translation>Liste</translation>
    </message>
    <message>
        <source>Grid</source>
        <translation>Raster</translation>
    </message>
    <message>
        <source>Show slides as a list</source>
        <translation>Folien als Liste anzeigen</translation>
    </message>
    <message>
        <source>Show slides as a grid</source>
        <translation>Folien als Raster anzeigen</translation>
    </message>
    <message>
        <source>Hide inspector</source>
        <translation>Inspektor ausblenden</translation>
    </message>
    <message>
        <source>Show inspector</source>
        <translation>Inspektor anzeigen</translation>
    </message>
    <message>
        <source>Show list</source>
        <translation>Liste anzeigen</translation>
    </message>
    <message>
        <source>Show grid</source>
        <translation>Raster anzeigen</translation>
    </message>
    <message>
        <source>Shown</source>
        <translation>Angezeigt</translation>
    </message>
    <message>
        <source>Hidden</source>
        <translation>Ausgeblendet</translation>
    </message>
    <message>
        <source>Export a PowerPoint (.pptx) file. Opens in PowerPoint, Keynote and LibreOffice Impress. Saving the project is a separate command.</source>
        <translation>Eine PowerPoint-Datei (.pptx) exportieren. Sie lässt sich in PowerPoint, Keynote und LibreOffice Impress öffnen. Das Projekt wird mit einem eigenen Befehl gespeichert.</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Insert Section Divider Before</source>
        <translation>Abschnittstrenner davor einfügen</translation>
    </message>
    <message>
        <source>Adds a section divider slide before the current selection, such as a title slide at the start.</source>
        <translation>Fügt vor der aktuellen Auswahl eine Abschnittstrenner-Folie ein, etwa eine Titelfolie am Anfang.</translation>
    </message>
    <message>
        <source>Exclude from Export</source>
        <translation>Vom Export ausschließen</translation>
    </message>
    <message>
        <source>Rotate Left</source>
        <translation>Nach links drehen</translation>
    </message>
    <message>
        <source>Rotate Right</source>
        <translation>Nach rechts drehen</translation>
    </message>
    <message>
        <source>Remove Image from Slide</source>
        <translation>Bild von der Folie entfernen</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>Include in Export</source>
        <translation>In den Export einbeziehen</translation>
    </message>
    <message>
        <source>Replace Captions?</source>
        <translation>Bildunterschriften ersetzen?</translation>
    </message>
    <message>
        <source>Some of the selected slides already have captions. Fill only the empty captions, or replace every caption with the one made from its picture?</source>
        <translation>Einige der ausgewählten Folien haben bereits Bildunterschriften. Nur die leeren Bildunterschriften füllen oder jede durch die aus ihrem Bild ersetzen?</translation>
    </message>
    <message>
        <source>Fill Empty Captions</source>
        <translation>Leere Bildunterschriften füllen</translation>
    </message>
    <message>
        <source>Replace All Captions</source>
        <translation>Alle Bildunterschriften ersetzen</translation>
    </message>
    <message>
        <source>Fill Captions from Pictures</source>
        <translation>Bildunterschriften aus Bildern füllen</translation>
    </message>
    <message>
        <source>Captions the selected slides from their pictures, as the deck&apos;s caption setting makes them.</source>
        <translation>Versieht die ausgewählten Folien mit Bildunterschriften aus ihren Bildern, wie es die Einstellung der Präsentation vorgibt.</translation>
    </message>
    <message>
        <source>Insert Sections at Time Gaps…</source>
        <translation>Abschnitte an Zeitlücken einfügen …</translation>
    </message>
    <message>
        <source>Align Camera Clocks…</source>
        <translation>Kamerauhren abgleichen …</translation>
    </message>
    <message>
        <source>Add Image to Current Slide</source>
        <translation>Bild zur aktuellen Folie hinzufügen</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Umbenennen</translation>
    </message>
</context>
</TS>
