// Prints what a show plays, as Apache POI's package layer (parts and relationships) reads it: one
// line per slide in the presentation's order (advance, effect, speed), then the show's flags.
// Debian ships POI without its compiled schemas, so the XML is read with the JDK's DOM.
// Run: java -cp POI-JARS ShowTimings.java DECK.pptx

import java.io.InputStream;
import javax.xml.parsers.DocumentBuilderFactory;
import org.apache.poi.openxml4j.opc.*;
import org.w3c.dom.*;

public class ShowTimings {
    static final String P = "http://schemas.openxmlformats.org/presentationml/2006/main";
    static final String R = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

    static Element first(PackagePart part, String name) throws Exception {
        DocumentBuilderFactory factory = DocumentBuilderFactory.newInstance();
        factory.setNamespaceAware(true);
        try (InputStream in = part.getInputStream()) {
            return (Element) factory.newDocumentBuilder().parse(in)
                    .getElementsByTagNameNS(P, name).item(0);
        }
    }

    static PackagePart target(OPCPackage pkg, PackagePart from, PackageRelationship r) throws Exception {
        return pkg.getPart(PackagingURIHelper.createPartName(
                PackagingURIHelper.resolvePartUri(from.getPartName().getURI(), r.getTargetURI())));
    }

    static String value(Element e, String name, String absent) {
        return e.hasAttribute(name) ? e.getAttribute(name) : absent;
    }

    public static void main(String[] args) throws Exception {
        try (OPCPackage pkg = OPCPackage.open(args[0], PackageAccess.READ)) {
            PackagePart deck = pkg.getPart(pkg.getRelationshipsByType(R + "/officeDocument").getRelationship(0));
            NodeList ids = first(deck, "sldIdLst").getElementsByTagNameNS(P, "sldId");
            for (int i = 0; i < ids.getLength(); ++i) {
                String id = ((Element) ids.item(i)).getAttributeNS(R, "id");
                Element t = first(target(pkg, deck, deck.getRelationship(id)), "transition");
                Node effect = t == null ? null : t.getFirstChild();
                System.out.println((i + 1) + " " + (t == null ? "manual none" : value(t, "advTm", "manual")
                        + (t.hasAttribute("advTm") ? "ms " : " ") + (effect == null ? "none" : effect.getLocalName())
                        + " " + value(t, "spd", "fast")));
            }
            Element show = first(target(pkg, deck, deck.getRelationshipsByType(R + "/presProps").getRelationship(0)), "showPr");
            System.out.println(show == null ? "show default"
                    : "show loop=" + value(show, "loop", "0") + " useTimings=" + value(show, "useTimings", "1"));
        }
    }
}
