// Prints what outlines and screen readers take from a .pptx, as Apache POI's package layer (parts
// and relationships) reads it, slide by slide in the presentation's order:
//   slide N layout: TYPE (title placeholder|no title placeholder)
//   slide N title: TEXT                  (or "slide N untitled")
//   slide N picture: NAME | DESCR        ("| -" without a description, " [decorative]" when marked)
// Line breaks inside a text print as "\n". Debian ships POI without all of its compiled schemas,
// so the XML is read with the JDK's DOM, as ShowTimings.java does.
// Run: java -cp POI-JARS SlideTitles.java DECK.pptx

import java.io.InputStream;
import javax.xml.parsers.DocumentBuilderFactory;
import org.apache.poi.openxml4j.opc.*;
import org.w3c.dom.*;

public class SlideTitles {
    static final String P = "http://schemas.openxmlformats.org/presentationml/2006/main";
    static final String A = "http://schemas.openxmlformats.org/drawingml/2006/main";
    static final String R = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    static final String DECORATIVE = "http://schemas.microsoft.com/office/drawing/2017/decorative";
    static final String DECORATIVE_URI = "{C183D7F6-B498-43B3-948B-1728B52AA6E4}";

    static Document parse(PackagePart part) throws Exception {
        DocumentBuilderFactory factory = DocumentBuilderFactory.newInstance();
        factory.setNamespaceAware(true);
        try (InputStream in = part.getInputStream()) {
            return factory.newDocumentBuilder().parse(in);
        }
    }

    static PackagePart target(OPCPackage pkg, PackagePart from, PackageRelationship r) throws Exception {
        return pkg.getPart(PackagingURIHelper.createPartName(
                PackagingURIHelper.resolvePartUri(from.getPartName().getURI(), r.getTargetURI())));
    }

    static Element child(Element parent, String ns, String name) {
        for (Node n = parent == null ? null : parent.getFirstChild(); n != null; n = n.getNextSibling())
            if (n instanceof Element && ns.equals(n.getNamespaceURI()) && name.equals(n.getLocalName()))
                return (Element) n;
        return null;
    }

    // The placeholder type of a p:sp ("" when it is no placeholder); a p:ph without a type is a body.
    static String placeholderType(Element shape) {
        Element ph = child(child(child(shape, P, "nvSpPr"), P, "nvPr"), P, "ph");
        return ph == null ? "" : ph.hasAttribute("type") ? ph.getAttribute("type") : "body";
    }

    static boolean isTitle(String type) {
        return type.equals("title") || type.equals("ctrTitle");
    }

    // The text of a shape's paragraphs, runs and fields concatenated, a:br and paragraph ends as "\n".
    static String text(Element shape) {
        StringBuilder out = new StringBuilder();
        NodeList paragraphs = shape.getElementsByTagNameNS(A, "p");
        for (int i = 0; i < paragraphs.getLength(); ++i) {
            if (i > 0)
                out.append("\\n");
            for (Node n = paragraphs.item(i).getFirstChild(); n != null; n = n.getNextSibling()) {
                if (!(n instanceof Element))
                    continue;
                if (n.getLocalName().equals("br"))
                    out.append("\\n");
                Element t = child((Element) n, A, "t");
                if (t != null)
                    out.append(t.getTextContent());
            }
        }
        return out.toString();
    }

    static boolean isDecorative(Element names) {
        Element list = child(names, A, "extLst");
        for (Node n = list == null ? null : list.getFirstChild(); n != null; n = n.getNextSibling()) {
            if (!(n instanceof Element) || !DECORATIVE_URI.equals(((Element) n).getAttribute("uri")))
                continue;
            Element mark = child((Element) n, DECORATIVE, "decorative");
            if (mark != null && (mark.getAttribute("val").equals("1") || mark.getAttribute("val").equals("true")))
                return true;
        }
        return false;
    }

    public static void main(String[] args) throws Exception {
        try (OPCPackage pkg = OPCPackage.open(args[0], PackageAccess.READ)) {
            PackagePart deck = pkg.getPart(pkg.getRelationshipsByType(R + "/officeDocument").getRelationship(0));
            NodeList ids = parse(deck).getElementsByTagNameNS(P, "sldId");
            for (int i = 0; i < ids.getLength(); ++i) {
                String n = "slide " + (i + 1);
                PackagePart slide = target(pkg, deck, deck.getRelationship(((Element) ids.item(i)).getAttributeNS(R, "id")));
                Element layout = parse(target(pkg, slide, slide.getRelationshipsByType(R + "/slideLayout").getRelationship(0)))
                        .getDocumentElement();
                boolean layoutTitled = false;
                NodeList layoutShapes = layout.getElementsByTagNameNS(P, "sp");
                for (int k = 0; k < layoutShapes.getLength(); ++k)
                    layoutTitled |= isTitle(placeholderType((Element) layoutShapes.item(k)));
                System.out.println(n + " layout: " + layout.getAttribute("type")
                        + (layoutTitled ? " (title placeholder)" : " (no title placeholder)"));

                Document doc = parse(slide);
                NodeList shapes = doc.getElementsByTagNameNS(P, "sp");
                String title = null;
                for (int k = 0; k < shapes.getLength(); ++k)
                    if (isTitle(placeholderType((Element) shapes.item(k))))
                        title = (title == null ? "" : title + " + ") + text((Element) shapes.item(k));
                System.out.println(title == null ? n + " untitled" : n + " title: " + title);

                NodeList pictures = doc.getElementsByTagNameNS(P, "pic");
                for (int k = 0; k < pictures.getLength(); ++k) {
                    Element names = child(child((Element) pictures.item(k), P, "nvPicPr"), P, "cNvPr");
                    String descr = names.hasAttribute("descr")
                            ? names.getAttribute("descr").replace("\n", "\\n") : "-";
                    System.out.println(n + " picture: " + names.getAttribute("name") + " | " + descr
                            + (isDecorative(names) ? " [decorative]" : ""));
                }
            }
        }
    }
}
